#include "support/TemporaryHome.h"

#include <cstdlib>

namespace testing_support
{
namespace
{
const char* const variables[] = { "HOME", "TMPDIR", "XDG_CONFIG_HOME" };

juce::File freshFolder()
{
    // Test programs run side by side: a name no other process can pick at the same moment.
    return juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("varnet-test-" + juce::Uuid().toString());
}
} // namespace

TemporaryHome::TemporaryHome (TemporaryFolder temporaryFolder) : folder (freshFolder())
{
    folder.createDirectory();

    for (const auto* name : variables)
        if (const auto* old = std::getenv (name))
            previous[name] = old;

    setenv ("HOME", folder.getFullPathName().toRawUTF8(), 1);
    unsetenv ("XDG_CONFIG_HOME");

    if (temporaryFolder == TemporaryFolder::inside)
    {
        folder.getChildFile ("tmp").createDirectory();
        setenv ("TMPDIR", folder.getChildFile ("tmp").getFullPathName().toRawUTF8(), 1);
    }
}

TemporaryHome::~TemporaryHome()
{
    for (const auto* name : variables)
    {
        if (const auto found = previous.find (name); found != previous.end())
            setenv (name, found->second.toRawUTF8(), 1);
        else
            unsetenv (name);
    }

    folder.deleteRecursively();
}

void isolateUserFolders()
{
    [[maybe_unused]] static const auto home = new TemporaryHome (TemporaryHome::TemporaryFolder::inside);
}

} // namespace testing_support
