// Saving never loses a project nor writes outside the projects folder: distinct names that share
// a legal file name, names made of dots, long names, exact paths, and stray entries in the folder.

#include "LibraryTestSupport.h"

#include <map>

using namespace library_test;

namespace
{
class LibraryMends : public ::testing::Test
{
protected:
    TempHome home;
    VarneTAudioProcessor processor;
    LibraryRig rig { processor };
    ProjectLibraryController& controller = *rig.controller;

    std::vector<std::string> projectsListing() { return listing (libraryFolder()); }
    std::vector<std::string> libraryNames() { return entryNames (VarneT::buildLibraryEntries (VarneT::listProjectFiles (libraryFolder()))); }
    juce::String envelopeName (const char* fileName) { return VarneT::readLibraryEntry (libraryFolder().getChildFile (fileName)).name; }
};
} // namespace

TEST_F (LibraryMends, DistinctNamesSharingALegalFileNameBothSurvive)
{
    struct Case { const char* first; const char* second; const char* file; const char* numbered; };
    for (const auto& c : { Case { "Night 1.5", "Night 1.7", "Night 1.json", "Night 1 (2).json" },
                           Case { "Verse: A", "Verse A", "Verse A.json", "Verse A (2).json" } })
    {
        editProject (processor, c.first);
        controller.saveLibraryProjectAs (c.first, "");
        editProject (processor, c.second);
        controller.saveLibraryProjectAs (c.second, "");

        // No overwrite question named the wrong project; both files hold their own names.
        EXPECT_FALSE (rig.libraryOverlay.isConfirming()) << c.second;
        EXPECT_EQ (envelopeName (c.file), c.first);
        EXPECT_EQ (envelopeName (c.numbered), c.second);
        EXPECT_NE (VarneT::readProjectIdFromFile (libraryFolder().getChildFile (c.file)),
                   VarneT::readProjectIdFromFile (libraryFolder().getChildFile (c.numbered)));

        // Saving the first name again finds its own file, by its contents, and asks first.
        controller.saveLibraryProjectAs (c.first, "again");
        ASSERT_TRUE (rig.libraryOverlay.isConfirming());
        EXPECT_EQ (rig.libraryOverlay.confirmLabel.getText(), juce::String ("Overwrite existing project \"") + c.first + "\"?");
        rig.libraryOverlay.confirmButton.onClick();
        EXPECT_EQ (VarneT::readLibraryEntry (libraryFolder().getChildFile (c.file)).description, "again");
        EXPECT_EQ (envelopeName (c.numbered), c.second);
    }

    EXPECT_EQ (projectsListing(), (std::vector<std::string> { "Night 1 (2).json", "Night 1.json", "Verse A (2).json", "Verse A.json" }));
    EXPECT_EQ (libraryNames(), (std::vector<std::string> { "Night 1.5", "Night 1.7", "Verse A", "Verse: A" }));
}

TEST_F (LibraryMends, SaveAsBeforeLoadingTakesAFreeFileForAnotherName)
{
    const auto pending = writeProjectFixture ("Pending.json", "Pending");
    controller.saveLibraryProjectAs ("Night 1.5", "");
    editProject (processor, "changed");

    EXPECT_EQ (controller.saveAsBeforeLoading ("Night 1.7", "", pending), "");
    EXPECT_EQ (envelopeName ("Night 1.json"), "Night 1.5");
    EXPECT_EQ (envelopeName ("Night 1 (2).json"), "Night 1.7");

    // A name of a library project, in any letter case, is refused.
    editProject (processor, "changed again");
    EXPECT_EQ (controller.saveAsBeforeLoading ("night 1.5", "", pending), "Project already exists.");
    EXPECT_EQ (controller.saveAsBeforeLoading ("NIGHT 1.7", "", pending), "Project already exists.");
    EXPECT_EQ (projectsListing(), (std::vector<std::string> { "Night 1 (2).json", "Night 1.json", "Pending.json" }));
}

TEST_F (LibraryMends, NamesMadeOfDotsNeverBecomeAPath)
{
    const auto before = homeListing (home.folder);
    for (auto name : { ".", "..", "...", " .. ", "./", "/.." })
    {
        controller.saveLibraryProjectAs (name, "");
        EXPECT_EQ (rig.errors[rig.errors.size() - 1], "Project name required") << name;
        EXPECT_EQ (rig.libraryOverlay.statusLabel.getText(), "Project name required") << name;
        EXPECT_EQ (controller.saveAsBeforeLoading (name, "", {}), "Project name required.") << name;
        EXPECT_TRUE (VarneT::projectFileNameFor (name).isEmpty()) << name;
    }
    EXPECT_EQ (homeListing (home.folder), before);

    // Even a caller's target of "." or ".." is refused before anything is written.
    for (auto child : { ".", "..", "../escape.json" })
        EXPECT_EQ (controller.saveProjectToLibrary ("Night", "", libraryFolder().getChildFile (child), true), "Could not save project.") << child;
    EXPECT_EQ (homeListing (home.folder), before);

    // A name that is all extension keeps its text.
    EXPECT_EQ (VarneT::projectFileNameFor (".5"), "5.json");
    EXPECT_EQ (VarneT::projectFileNameFor ("Night."), "Night.json");
    controller.saveLibraryProjectAs (".hidden", "");
    EXPECT_EQ (projectsListing(), (std::vector<std::string> { "hidden.json" }));
    EXPECT_EQ (envelopeName ("hidden.json"), ".hidden");
}

TEST_F (LibraryMends, LongNonAsciiNamesAreShortenedAtACharacterBoundary)
{
    juce::String longName;
    for (int i = 0; i < 128; ++i)
        longName += juce::String (juce::CharPointer_UTF8 ("\xe5\xa4\x9c")); // three bytes each
    longName += juce::String (juce::CharPointer_UTF8 ("\xf0\x9f\x8c\x99")); // and one of four

    controller.saveLibraryProjectAs (longName, "long");
    ASSERT_TRUE (rig.errors.isEmpty()) << rig.errors.joinIntoString ("|");

    const auto files = VarneT::listProjectFiles (libraryFolder());
    ASSERT_EQ (files.size(), 1u);
    const auto fileName = files[0].getFileName();
    EXPECT_LE (fileName.getNumBytesAsUTF8(), 255u);
    EXPECT_TRUE (juce::CharPointer_UTF8::isValidString (fileName.toRawUTF8(), (int) fileName.getNumBytesAsUTF8()));
    EXPECT_TRUE (longName.startsWith (fileName.dropLastCharacters (5)));
    EXPECT_EQ (VarneT::readLibraryEntry (files[0]).name, longName);

    // A second project of another long name with the same beginning gets a numbered file.
    const auto other = longName.dropLastCharacters (1) + "x";
    controller.saveLibraryProjectAs (other, "");
    ASSERT_TRUE (rig.errors.isEmpty()) << rig.errors.joinIntoString ("|");
    auto names = libraryNames();
    std::sort (names.begin(), names.end());
    auto expected = std::vector<std::string> { longName.toStdString(), other.toStdString() };
    std::sort (expected.begin(), expected.end());
    EXPECT_EQ (names, expected);
    EXPECT_EQ (VarneT::listProjectFiles (libraryFolder()).size(), 2u);
    for (const auto& f : VarneT::listProjectFiles (libraryFolder()))
        EXPECT_LE (f.getFileName().getNumBytesAsUTF8(), 255u);
}

TEST_F (LibraryMends, PathsCompareExactlyOnACaseSensitiveFileSystem)
{
    ASSERT_TRUE (juce::File::areFileNamesCaseSensitive());
    controller.saveLibraryProjectAs ("Night", "");
    const auto upper = libraryFolder().getChildFile ("Night.json");
    const auto lower = writeProjectFixture ("night.json", "night");

    EXPECT_TRUE (VarneT::isSameLibraryFile (upper, libraryFolder().getChildFile ("Night.json")));
    EXPECT_FALSE (VarneT::isSameLibraryFile (upper, lower));

    // Deleting the other file keeps the current project's library state.
    controller.deleteLibraryProject (lower);
    EXPECT_EQ (controller.getLibraryProjectFile(), upper);
    EXPECT_TRUE (controller.getLibraryProjectSha256().isNotEmpty());

    // The overlay marks and selects only the exact file.
    writeProjectFixture ("night.json", "night");
    controller.showProjectLibrary();
    ASSERT_EQ (rig.libraryOverlay.getNumRows(), 2);
    int current = 0;
    for (int i = 0; i < 2; ++i)
        current += rig.libraryOverlay.getRowButton (i)->getButtonText().contains (juce::CharPointer_UTF8 ("\xe2\x80\xa2 Current")) ? 1 : 0;
    EXPECT_EQ (current, 1);
    EXPECT_EQ (rig.libraryOverlay.getSelectedFile(), upper);
    EXPECT_EQ (projectsListing(), (std::vector<std::string> { "Night.json", "night.json" }));
}

TEST_F (LibraryMends, StrayEntriesAreListedOrSkippedAndNeverTouched)
{
    auto outside = writeProjectFixture ("../outside.json", "Outside");
    const auto folder = libraryFolder();
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += (char) ((i * 131 + 7) & 0xff);

    writeFixture (folder.getChildFile ("garbage.json"), "garbage \x01\x02 not json");
    const auto full = fileBytes (writeProjectFixture ("full.json", "Full"));
    writeFixture (folder.getChildFile ("truncated.json"), full.substr (0, full.size() / 2));
    folder.getChildFile ("full.json").deleteFile();
    writeFixture (folder.getChildFile ("huge.json"), "{\"x\":\"" + std::string (5 * 1024 * 1024, 'a') + "\"}");
    writeFixture (folder.getChildFile ("enormous.json"), std::string (17 * 1024 * 1024, ' '));
    writeFixture (folder.getChildFile ("binary.json"), binary);
    folder.getChildFile ("folder.json").createDirectory();
    outside.createSymbolicLink (folder.getChildFile ("link.json"), true);
    folder.getChildFile ("dangling-target").createSymbolicLink (folder.getChildFile ("dangling.json"), true);
    writeProjectFixture ("Good.json", "Good");

    std::map<std::string, std::string> hashes;
    for (auto n : { "garbage.json", "truncated.json", "huge.json", "enormous.json", "binary.json", "Good.json" })
        hashes[n] = VarneT::fileSha256Hex (folder.getChildFile (n)).toStdString();
    hashes["outside"] = VarneT::fileSha256Hex (outside).toStdString();

    controller.showProjectLibrary();
    EXPECT_TRUE (rig.libraryOverlay.isVisible());
    EXPECT_EQ (entryNames (rig.libraryOverlay.getEntries()),
               (std::vector<std::string> { "binary", "enormous", "garbage", "Good", "huge", "truncated" }));

    for (auto n : { "garbage.json", "binary.json", "enormous.json" })
    {
        EXPECT_FALSE (controller.loadProjectFromLibrary (folder.getChildFile (n))) << n;
        EXPECT_EQ (rig.libraryOverlay.statusLabel.findColour (juce::Label::textColourId), juce::Colour (0xfff38ba8));
    }

    // Saves under the names of the stray entries go elsewhere, or ask first for a listed name.
    controller.saveLibraryProjectAs ("link", "");
    controller.saveLibraryProjectAs ("folder", "");
    controller.saveLibraryProjectAs ("dangling", "");
    EXPECT_FALSE (rig.libraryOverlay.isConfirming());
    controller.saveLibraryProjectAs ("garbage", "");
    EXPECT_TRUE (rig.libraryOverlay.isConfirming());
    rig.libraryOverlay.cancelButton.onClick();

    // Deleting is refused for what the list never shows.
    controller.deleteLibraryProject (folder.getChildFile ("folder.json"));
    controller.deleteLibraryProject (folder.getChildFile ("link.json"));
    controller.deleteLibraryProject (outside);
    EXPECT_EQ (rig.errors[rig.errors.size() - 1], "Could not delete project");

    for (const auto& [n, h] : hashes)
        EXPECT_EQ (VarneT::fileSha256Hex (n == "outside" ? outside : folder.getChildFile (n)).toStdString(), h) << n;
    EXPECT_TRUE (folder.getChildFile ("folder.json").isDirectory());
    EXPECT_TRUE (folder.getChildFile ("link.json").isSymbolicLink());
    EXPECT_EQ (projectsListing(), (std::vector<std::string> { "Good.json", "binary.json", "dangling (2).json", "dangling.json",
                                                             "enormous.json", "folder (2).json", "folder.json", "garbage.json",
                                                             "huge.json", "link (2).json", "link.json", "truncated.json" }));
}
