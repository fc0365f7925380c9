// The clipboard's text read over the kit's own X connection, from xclip as the owner.

#include "kit/X11TextClipboard.h"
#include "support/ServiceTestSupport.h"
#include "support/XclipSelection.h"

#include <gtest/gtest.h>

TEST (TextClipboardX11, ReadsEachOfferedFormWhole)
{
    service_test::TemporaryHome home;
    const auto folder = juce::File::getSpecialLocation (juce::File::userHomeDirectory);

    std::string large;
    while (large.size() < 2500000) // sent in parts
        large += "{\"note\": \"caf\xc3\xa9\"}\n";

    struct Row
    {
        const char* name;
        std::string bytes;
        const char* target; // empty: xclip's default, UTF8_STRING
        juce::String expected;
    };
    const Row rows[] {
        { "UTF-8", "{\"name\": \"caf\xc3\xa9 \xe2\x99\xaa\"}", "", juce::CharPointer_UTF8 ("{\"name\": \"caf\xc3\xa9 \xe2\x99\xaa\"}") },
        { "Latin-1, typed STRING", "{\"name\": \"caf\xe9\"}", "STRING", juce::CharPointer_UTF8 ("{\"name\": \"caf\xc3\xa9\"}") },
        { "megabytes in parts", large, "", juce::String::fromUTF8 (large.data(), (int) large.size()) },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        testing_support::XclipSelection clipboard (folder, row.bytes, row.target);
        ASSERT_TRUE (clipboard.ready);

        const auto text = tolmek::readX11ClipboardText();
        ASSERT_TRUE (text.has_value());
        EXPECT_EQ (text->length(), row.expected.length());
        EXPECT_TRUE (*text == row.expected);
    }
}
