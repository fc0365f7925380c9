// Library files: the envelope, reading, hashing, listing order, and saving with its checks.

#include "LibraryTestSupport.h"

using namespace library_test;

namespace
{
std::string parserMessage (const std::string& text)
{
    juce::var ignored;
    return juce::JSON::parse (juce::String::fromUTF8 (text.c_str()), ignored).getErrorMessage().toStdString();
}

std::string innerProjectMessage (const std::string& projectJson)
{
    VarneT::Project p;
    return VarneT::projectFromVar (juce::JSON::parse (juce::String (projectJson)), p).toStdString();
}
} // namespace

TEST (ProjectFiles, EnvelopeChecksGiveTheirMessagesInOrder)
{
    TempHome home;
    const auto invalidProject = std::string (R"({"version":7,"midiChannel":99})");

    struct Case { const char* label; std::string bytes; std::string expected; };
    auto with = [] (auto change) { Envelope e; change (e); return e.text(); };

    const std::vector<Case> cases {
        { "empty file", "", "Could not read project file" },
        { "broken JSON", "{\"format\":", parserMessage ("{\"format\":") },
        { "array", "[]", "Invalid project file" },
        { "other format", with ([] (Envelope& e) { e.format = "\"tolmek-plugin-preset\""; }), "Not an TOLMEK project" },
        { "version 2.0", with ([] (Envelope& e) { e.version = "2.0"; }), "Unsupported project version" },
        { "version \"2\"", with ([] (Envelope& e) { e.version = "\"2\""; }), "Unsupported project version" },
        { "version 3", with ([] (Envelope& e) { e.version = "3"; }), "Unsupported project version" },
        { "another plugin", with ([] (Envelope& e) { e.plugin = "\"Varne\""; }), "Project belongs to another plugin" },
        { "bad id", with ([] (Envelope& e) { e.projectId = "\"0f8e2a4c-1b3d-4e5f-8a9b-0c1d2e3f4a5z\""; }), "Project ID is missing or invalid" },
        { "id as number", with ([] (Envelope& e) { e.projectId = "12"; }), "Project ID is missing or invalid" },
        { "blank name", with ([] (Envelope& e) { e.name = "\"   \""; }), "Project name is missing" },
        { "missing description", with ([] (Envelope& e) { e.description = nullptr; }), "Project description is invalid" },
        { "blank savedAt", with ([] (Envelope& e) { e.savedAt = "\" \""; }), "Project timestamp is missing" },
        { "no project", with ([] (Envelope& e) { e.withProject = false; }), "Project data is missing" },
        { "project array", with ([] (Envelope& e) { e.project = "[]"; }), "Project data is missing" },
        { "invalid project", with ([&] (Envelope& e) { e.project = invalidProject; }), innerProjectMessage (invalidProject) },
        // The first failure wins.
        { "other format, bad version", with ([] (Envelope& e) { e.format = "\"x\""; e.version = "9"; }), "Not an TOLMEK project" },
        { "empty description", with ([] (Envelope& e) { e.description = "\"\""; }), "" },
        { "upper-case id", with ([] (Envelope& e) { e.projectId = "\"0F8E2A4C-1B3D-4E5F-8A9B-0C1D2E3F4A5B\""; }), "" },
    };

    ASSERT_FALSE (innerProjectMessage (invalidProject).empty());
    for (const auto& c : cases)
    {
        const auto file = writeFixture (libraryFolder().getChildFile ("case.json"), c.bytes);
        ProjectFileInfo info;
        juce::String sha;
        EXPECT_EQ (VarneT::loadProjectFile (file, info, sha).toStdString(), c.expected) << c.label;
        EXPECT_EQ (sha.isNotEmpty(), c.expected.empty()) << c.label;
        if (c.expected.empty())
            EXPECT_EQ (VarneT::readProjectIdFromFile (file).toLowerCase(), "0f8e2a4c-1b3d-4e5f-8a9b-0c1d2e3f4a5b") << c.label;
        else
            EXPECT_TRUE (VarneT::readProjectIdFromFile (file).isEmpty()) << c.label;
    }
}

TEST (ProjectFiles, ProjectIdRule)
{
    EXPECT_TRUE (VarneT::isValidProjectId ("0f8e2a4c-1b3d-4e5f-8a9b-0c1d2e3f4a5b"));
    EXPECT_TRUE (VarneT::isValidProjectId (" 0F8E2A4C-1B3D-4E5F-8A9B-0C1D2E3F4A5B "));
    for (auto bad : { "", "0f8e2a4c1b3d4e5f8a9b0c1d2e3f4a5b", "0f8e2a4c-1b3d-4e5f-8a9b-0c1d2e3f4a5", "{0f8e2a4c-1b3d-4e5f-8a9b-0c1d2e3f4a}",
                      "0f8e2a4c-1b3d-4e5f-8a9b_0c1d2e3f4a5b", "0f8e2a4c1-b3d-4e5f-8a9b-0c1d2e3f4a5b" })
        EXPECT_FALSE (VarneT::isValidProjectId (bad)) << bad;
}

TEST (ProjectFiles, HashIsOfTheRawBytesAndEmptyForFoldersAndMissingFiles)
{
    TempHome home;
    const auto file = writeFixture (home.folder.getChildFile ("a.json"), "abc");
    const auto expected = run ("sha256sum " + shellQuote (file)).substr (0, 64);
    EXPECT_EQ (VarneT::fileSha256Hex (file).toStdString(), expected);
    EXPECT_EQ (expected, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_TRUE (VarneT::fileSha256Hex (home.folder).isEmpty());
    EXPECT_TRUE (VarneT::fileSha256Hex (home.folder.getChildFile ("none.json")).isEmpty());
    EXPECT_TRUE (VarneT::fileSha256Hex (juce::File()).isEmpty());
}

TEST (ProjectFiles, CanonicalTextIgnoresTheActiveSectionOnly)
{
    auto project = VarneT::makeDefaultProject();
    project.sections.push_back (project.sections[0]);
    project.sections[1].name = "Section 2";

    juce::String first, second, third;
    EXPECT_TRUE (VarneT::canonicaliseProjectJson (VarneT::projectToVar (project), first).isEmpty());
    project.activeSectionIndex = 1;
    EXPECT_TRUE (VarneT::canonicaliseProjectJson (VarneT::projectToVar (project), second).isEmpty());
    EXPECT_EQ (first, second);
    project.sections[1].repeatCount = 3;
    EXPECT_TRUE (VarneT::canonicaliseProjectJson (VarneT::projectToVar (project), third).isEmpty());
    EXPECT_NE (first, third);
    EXPECT_TRUE (first.containsChar ('\n'));

    juce::String untouched ("kept");
    EXPECT_FALSE (VarneT::canonicaliseProjectJson (juce::var ("no project"), untouched).isEmpty());
    EXPECT_EQ (untouched, "kept");
}

TEST (ProjectFiles, ListingIsNaturalCaseInsensitiveAndKeepsBrokenFilesUnderTheirNames)
{
    TempHome home;
    EXPECT_TRUE (VarneT::listProjectFiles (libraryFolder()).empty());
    EXPECT_FALSE (libraryFolder().exists());

    writeProjectFixture ("a.json", "Take 10");
    writeProjectFixture ("b.json", "take 2", "\"second\"");
    writeProjectFixture ("c.json", "Take 1");
    writeFixture (libraryFolder().getChildFile ("Broken 3.json"), "{\"format\":\"tolmek-plugin-project\"");
    writeFixture (libraryFolder().getChildFile ("notes.txt"), "not listed");
    writeFixture (libraryFolder().getChildFile ("sub/d.json"), "not listed either");

    EXPECT_EQ (fileNames (VarneT::listProjectFiles (libraryFolder())),
               (std::vector<std::string> { "a.json", "b.json", "Broken 3.json", "c.json" }));

    const auto entries = VarneT::buildLibraryEntries (VarneT::listProjectFiles (libraryFolder()));
    EXPECT_EQ (entryNames (entries), (std::vector<std::string> { "Broken 3", "Take 1", "take 2", "Take 10" }));
    EXPECT_TRUE (entries[0].description.isEmpty());
    EXPECT_EQ (entries[2].description, "second");

    const auto f = [] (const char* n) { return juce::File ("/x").getChildFile (n); };
    EXPECT_TRUE (VarneT::compareProjectFileNames (f ("Take 2.json"), f ("take 10.json")));
    EXPECT_FALSE (VarneT::compareProjectFileNames (f ("take 10.json"), f ("Take 2.json")));
    EXPECT_TRUE (VarneT::compareProjectFileNames (f ("_x.json"), f ("a.json")));
}

//==============================================================================
class LibrarySave : public ::testing::Test
{
protected:
    TempHome home;
    VarneTAudioProcessor processor;
    LibraryRig rig { processor };
    ProjectLibraryController& controller = *rig.controller;
    juce::File target (const char* fileName) { return libraryFolder().getChildFile (fileName); }
};

TEST_F (LibrarySave, SavedFileIsOneLineWithKeysInOrderAndItsRecordedHash)
{
    EXPECT_FALSE (libraryFolder().exists());
    editProject (processor, "Verse");
    ASSERT_EQ (controller.saveProjectToLibrary ("  Night  ", "  Late set ", target ("Night.json"), false), "");

    const auto file = target ("Night.json");
    const auto bytes = fileBytes (file);
    EXPECT_EQ (bytes.find_first_of ("\r\n"), std::string::npos);
    EXPECT_NE (bytes.rfind ("\xef\xbb\xbf", 0), 0u);
    EXPECT_EQ (controller.getLibraryProjectSha256().toStdString(), run ("sha256sum " + shellQuote (file)).substr (0, 64));

    // An independent reader: key order, values, and the project equal to the processor's.
    const auto script = "import json,sys\n"
                        "d=json.load(open(sys.argv[1],encoding='utf-8'),object_pairs_hook=lambda p:p)\n"
                        "k=dict(d)\n"
                        "print(','.join(x for x,_ in d))\n"
                        "print(k['version'],type(k['version']).__name__,k['plugin'],k['name'],k['description'],len(k['projectId']),k['projectId']==k['projectId'].lower(),'T' in k['savedAt'])\n";
    writeFixture (home.folder.getChildFile ("read.py"), script);
    EXPECT_EQ (run ("python3 " + shellQuote (home.folder.getChildFile ("read.py")) + " " + shellQuote (file)),
               "format,version,plugin,projectId,name,description,savedAt,project\n2 int Varne-T Night Late set 36 True True\n");

    ProjectFileInfo info;
    juce::String sha;
    ASSERT_EQ (VarneT::loadProjectFile (file, info, sha), "");
    EXPECT_EQ (sha, controller.getLibraryProjectSha256());
    EXPECT_EQ (juce::JSON::toString (info.project), juce::JSON::toString (processor.getProjectVar()));
    EXPECT_EQ (info.name, "Night");
    EXPECT_EQ (info.description, "Late set");
    EXPECT_TRUE (juce::Time::fromISO8601 (info.savedAt).toMilliseconds() > 0);

    EXPECT_EQ (controller.getLibraryProjectFile(), file);
    EXPECT_FALSE (processor.isProjectDirty());
    EXPECT_EQ (rig.statuses.joinIntoString ("|"), "Project saved: Night");
    EXPECT_EQ (homeListing (home.folder), (std::vector<std::string> { ".config", ".config/TOLMEK", ".config/TOLMEK/VarneT",
                                                                   ".config/TOLMEK/VarneT/projects", ".config/TOLMEK/VarneT/projects/Night.json" }));
}

TEST_F (LibrarySave, ChecksRunInOrderAndAFailedSaveChangesNothing)
{
    EXPECT_EQ (controller.saveProjectToLibrary ("  ", "", target ("x.json"), false), "Project name required.");
    EXPECT_FALSE (libraryFolder().exists());

    // A file where the projects folder belongs.
    writeFixture (libraryFolder().getParentDirectory().getChildFile ("projects"), "in the way");
    EXPECT_EQ (controller.saveProjectToLibrary ("Night", "", target ("Night.json"), false), "Could not create project folder.");
    libraryFolder().deleteFile();

    ASSERT_EQ (controller.saveProjectToLibrary ("Night", "", target ("Night.json"), false), "");
    const auto before = fileBytes (target ("Night.json"));

    // Another program changes the file, then deletes it.
    const auto changed = before + " ";
    writeFixture (target ("Night.json"), changed);
    EXPECT_EQ (controller.saveProjectToLibrary ("Night", "", target ("Night.json"), true), "Project changed outside Varne-T. Reload it before saving.");
    EXPECT_EQ (fileBytes (target ("Night.json")), changed);
    target ("Night.json").deleteFile();
    EXPECT_EQ (controller.saveProjectToLibrary ("Night", "", target ("Night.json"), true), "Project was deleted outside Varne-T. Save with a new name.");
    EXPECT_FALSE (target ("Night.json").exists());

    const auto other = writeProjectFixture ("Other.json", "Other");
    const auto otherBytes = fileBytes (other);
    EXPECT_EQ (controller.saveProjectToLibrary ("Other", "", other, false), "Project already exists.");
    EXPECT_EQ (fileBytes (other), otherBytes);

    // A folder in the way of the file: the write fails and leaves no temporary file behind.
    target ("Dir.json").createDirectory();
    EXPECT_EQ (controller.saveProjectToLibrary ("Dir", "", target ("Dir.json"), true), "Could not save project.");
    EXPECT_TRUE (target ("Dir.json").isDirectory());
    EXPECT_EQ (listing (libraryFolder()), (std::vector<std::string> { "Dir.json", "Other.json" }));
}

TEST_F (LibrarySave, OverwriteKeepsTheFilesIdAsWritten)
{
    const auto file = writeProjectFixture ("Upper.json", "Upper");
    auto text = fileBytes (file);
    const std::string lower = "0f8e2a4c-1b3d-4e5f-8a9b-0c1d2e3f4a5b", upper = "0F8E2A4C-1B3D-4E5F-8A9B-0C1D2E3F4A5B";
    text.replace (text.find (lower), lower.size(), upper);
    writeFixture (file, text);

    ASSERT_EQ (controller.saveProjectToLibrary ("Upper", "new", file, true), "");
    EXPECT_EQ (VarneT::readProjectIdFromFile (file), juce::String (upper));
    EXPECT_EQ (rig.statuses.joinIntoString ("|"), "Project overwritten: Upper");
    EXPECT_EQ (rig.libraryOverlay.statusLabel.getText(), "Overwritten: Upper");

    // A new file gets a new lower-case id.
    ASSERT_EQ (controller.saveProjectToLibrary ("Fresh", "", target ("Fresh.json"), false), "");
    const auto id = VarneT::readProjectIdFromFile (target ("Fresh.json"));
    EXPECT_TRUE (VarneT::isValidProjectId (id));
    EXPECT_EQ (id, id.toLowerCase());
    EXPECT_NE (id.toLowerCase(), juce::String (lower));
}

TEST_F (LibrarySave, LoadAppliesWithoutUndoAndClearsHistory)
{
    editProject (processor, "Saved");
    ASSERT_EQ (controller.saveProjectToLibrary ("Night", "Late", target ("Night.json"), false), "");
    editProject (processor, "Changed");
    EXPECT_TRUE (processor.getUndoManager().canUndo());

    ASSERT_TRUE (controller.loadProjectFromLibrary (target ("Night.json")));
    EXPECT_EQ (processor.getProjectCopy().sections[0].name, "Saved");
    EXPECT_FALSE (processor.getUndoManager().canUndo());
    EXPECT_FALSE (processor.isProjectDirty());
    EXPECT_EQ (controller.getLibraryProjectName(), "Night");
    EXPECT_EQ (controller.getLibraryProjectDescription(), "Late");
    EXPECT_EQ (controller.getLibraryProjectSha256().toStdString(), run ("sha256sum " + shellQuote (target ("Night.json"))).substr (0, 64));
    EXPECT_EQ (rig.loads, 1);
    EXPECT_EQ (rig.statuses[rig.statuses.size() - 1], "Project loaded: Night");

    // A failed load changes neither the project nor the library state.
    const auto broken = writeFixture (target ("Broken.json"), "[]");
    EXPECT_FALSE (controller.loadProjectFromLibrary (broken));
    EXPECT_EQ (rig.errors[rig.errors.size() - 1], "Invalid project file");
    EXPECT_EQ (controller.getLibraryProjectFile(), target ("Night.json"));
    EXPECT_EQ (processor.getProjectCopy().sections[0].name, "Saved");
}
