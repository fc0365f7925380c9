#pragma once

#include <juce_core/juce_core.h>

#include <map>
#include <string>

namespace testing_support
{

/** A fresh folder that HOME (and, when asked, TMPDIR) points at while this lives; the plug-in
    and the services keep their settings and instance folders there. */
class TemporaryHome
{
public:
    enum class TemporaryFolder { unchanged, inside };

    explicit TemporaryHome (TemporaryFolder = TemporaryFolder::unchanged);
    ~TemporaryHome();

    const juce::File& getFolder() const noexcept { return folder; }

    TemporaryHome (const TemporaryHome&) = delete;
    TemporaryHome& operator= (const TemporaryHome&) = delete;

private:
    juce::File folder;
    std::map<std::string, juce::String> previous;
};

/** Points HOME and TMPDIR at a fresh folder for the rest of the program, once. */
void isolateUserFolders();

} // namespace testing_support
