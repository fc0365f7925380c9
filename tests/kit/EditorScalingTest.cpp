#include "kit/EditorScaling.h"
#include "support/ScaledEditor.h"
#include "support/ServiceTestSupport.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <memory>

using tolmek::EditorScaling;

namespace
{
const juce::String settingsKey = "TOLMEK/VarneT";

using kit_test::ScaledEditor;
using kit_test::SilentProcessor;

/** Counts completed writes of the settings file as the kernel sees them. */
class SettingsWriteCounter
{
public:
    explicit SettingsWriteCounter (const juce::File& settingsFile)
        : fileName (settingsFile.getFileName())
    {
        settingsFile.getParentDirectory().createDirectory();
        fd = inotify_init1 (IN_NONBLOCK);
        inotify_add_watch (fd, settingsFile.getParentDirectory().getFullPathName().toRawUTF8(), IN_MOVED_TO | IN_CLOSE_WRITE);
    }

    ~SettingsWriteCounter() { ::close (fd); }

    int count()
    {
        alignas (inotify_event) char buffer[8192];

        for (;;)
        {
            const auto n = ::read (fd, buffer, sizeof (buffer));

            if (n <= 0)
                break;

            for (ssize_t offset = 0; offset < n;)
            {
                const auto* event = reinterpret_cast<const inotify_event*> (buffer + offset);

                if (event->len > 0 && fileName == event->name)
                    ++writes;

                offset += (ssize_t) (sizeof (inotify_event) + event->len);
            }
        }

        return writes;
    }

private:
    juce::String fileName;
    int fd = -1;
    int writes = 0;
};

class EditorScalingTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        destroyScaling();
        service_test::removeInterProcessLockFile (store.getLockName());
    }

    EditorScaling& makeScaling (EditorScaling::Config config = {})
    {
        destroyScaling();
        scaling = std::make_unique<EditorScaling> (editor, constrainer, settingsKey, config);
        editor.scaling = scaling.get();
        return *scaling;
    }

    void destroyScaling()
    {
        editor.scaling = nullptr;
        scaling.reset();
    }

    void writeSettingsText (const juce::String& text)
    {
        store.getFile().getParentDirectory().createDirectory();
        ASSERT_TRUE (store.getFile().replaceWithText (text));
    }

    juce::var storedUi() const { return store.readSection ("ui"); }

    // A display larger than any size these cases reach; smaller displays are gui/EditorScalingFitTest.cpp's.
    kit_test::ScopedUserArea display { kit_test::ScopedUserArea::unlimited() };
    service_test::TemporaryHome home;
    tolmek::SettingsStore store { settingsKey };
    SilentProcessor processor;
    ScaledEditor editor { processor };
    juce::ComponentBoundsConstrainer constrainer;
    std::unique_ptr<EditorScaling> scaling;
};

struct MenuItem
{
    int id;
    juce::String text;
    bool enabled, ticked;
};

std::vector<MenuItem> itemsOf (const juce::PopupMenu& menu)
{
    std::vector<MenuItem> items;

    for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
        items.push_back ({ it.getItem().itemID, it.getItem().text, it.getItem().isEnabled, it.getItem().isTicked });

    return items;
}

std::vector<int> tickedIds (const juce::PopupMenu& menu)
{
    std::vector<int> ids;

    for (const auto& item : itemsOf (menu))
        if (item.ticked)
            ids.push_back (item.id);

    return ids;
}
} // namespace

TEST_F (EditorScalingTest, StoredValuesAreCheckedBeforeTheyReachTheEditor)
{
    struct Row
    {
        const char* settingsText; // nullptr: no settings file
        double scale;
        int logicalWidth, logicalHeight;
        const char* buttonText;
    };

    const Row rows[] {
        { nullptr, 1.0, 1360, 820, "UI 100%" },
        { R"({"ui":{"scale":1.5}})", 1.5, 1360, 820, "UI 150%" },
        { R"({"ui":{"scale":2.5}})", 1.0, 1360, 820, "UI 100%" },
        { R"({"ui":{"scale":0.5}})", 0.75, 1360, 820, "UI 75%" },
        { R"({"ui":{"scale":-1}})", 1.0, 1360, 820, "UI 100%" },
        { R"({"ui":{"scale":"1.5"}})", 1.0, 1360, 820, "UI 100%" },
        { R"({"ui":{"scale":NaN}})", 1.0, 1360, 820, "UI 100%" },
        { R"({"ui":{"scale":true}})", 1.0, 1360, 820, "UI 100%" },
        { R"({"ui":{"logicalWidth":2000,"logicalHeight":1200}})", 1.0, 1360, 1200, "UI 100%" },
        { R"({"ui":{"logicalWidth":1500,"logicalHeight":699}})", 1.0, 1500, 820, "UI 100%" },
        { R"({"ui":{"logicalWidth":1500.4,"logicalHeight":"900"}})", 1.0, 1500, 820, "UI 100%" },
        { R"({"ui":{"scale":1.25,"logicalWidth":1160,"logicalHeight":700}})", 1.25, 1160, 700, "UI 125%" },
        { R"({"ui":[1,2]})", 1.0, 1360, 820, "UI 100%" },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.settingsText != nullptr ? row.settingsText : "no settings file");
        destroyScaling();
        store.getFile().deleteFile();

        if (row.settingsText != nullptr)
            writeSettingsText (row.settingsText);

        auto& s = makeScaling();
        s.activate();

        EXPECT_DOUBLE_EQ (s.getScale(), row.scale);
        EXPECT_EQ (s.getLogicalWidth(), row.logicalWidth);
        EXPECT_EQ (s.getLogicalHeight(), row.logicalHeight);
        EXPECT_EQ (editor.getWidth(), juce::roundToInt (row.logicalWidth * row.scale));
        EXPECT_EQ (editor.getHeight(), juce::roundToInt (row.logicalHeight * row.scale));
        EXPECT_EQ (s.getButtonText(), row.buttonText);
        EXPECT_EQ (constrainer.getMinimumWidth(), juce::roundToInt (1160 * row.scale));
        EXPECT_EQ (constrainer.getMaximumHeight(), juce::roundToInt (1200 * row.scale));
        EXPECT_EQ (constrainer.getFixedAspectRatio(), 0.0);
    }

    // A fixed-size editor ignores a stored logical size.
    destroyScaling();
    writeSettingsText (R"({"ui":{"scale":1.5,"logicalWidth":1500,"logicalHeight":900}})");
    EditorScaling::Config fixed;
    fixed.resizable = false;
    auto& s = makeScaling (fixed);
    s.activate();
    EXPECT_EQ (s.getLogicalWidth(), 1360);
    EXPECT_EQ (editor.getWidth(), 2040);
    EXPECT_NEAR (constrainer.getFixedAspectRatio(), 1360.0 / 820.0, 1e-12);
    EXPECT_EQ (constrainer.getMinimumWidth(), 1020);
    EXPECT_EQ (constrainer.getMaximumWidth(), 2720);
}

TEST_F (EditorScalingTest, NothingHappensBeforeActivate)
{
    auto& s = makeScaling();
    EXPECT_EQ (s.getName(), "UI scaling");
    EXPECT_EQ (s.getTooltip(), "Choose UI size. Drag the bottom-right corner to resize; double-click it to reset.");

    s.setScale (1.5);
    s.resetScale();
    editor.setSize (1500, 900);

    EXPECT_EQ (editor.getWidth(), 1500);
    EXPECT_DOUBLE_EQ (s.getScale(), 1.0);
    EXPECT_EQ (s.getLogicalWidth(), 1360);
    EXPECT_TRUE (s.getButtonText().isEmpty());

    destroyScaling();
    EXPECT_FALSE (store.getFile().exists());
}

TEST_F (EditorScalingTest, ABurstOfChangesIsWrittenOnce)
{
    SettingsWriteCounter writes { store.getFile() };
    auto& s = makeScaling();

    const auto start = juce::Time::getMillisecondCounter();
    s.activate();

    for (int i = 0; i < 99; ++i)
        s.setScale (i % 2 == 0 ? 0.9 : 1.15);

    s.setScale (1.25);
    const auto elapsed = juce::Time::getMillisecondCounter() - start;
    ASSERT_LT (elapsed, 200u) << "the burst must fit inside the save delay";
    EXPECT_EQ (writes.count(), 0);

    ASSERT_TRUE (service_test::waitUntil ([&] { return writes.count() > 0; }, 5000));
    EXPECT_GE (juce::Time::getMillisecondCounter() - start, (juce::uint32) EditorScaling::saveDelayMs);

    // Nothing changed since: closing writes nothing more.
    destroyScaling();
    EXPECT_EQ (writes.count(), 1);
    EXPECT_DOUBLE_EQ (static_cast<double> (storedUi()["scale"]), 1.25);
    EXPECT_EQ (static_cast<int> (storedUi()["logicalWidth"]), 1360);
    EXPECT_EQ (static_cast<int> (storedUi()["logicalHeight"]), 820);
}

TEST_F (EditorScalingTest, ClosingRightAfterAChangeStillStoresIt)
{
    auto& s = makeScaling();
    s.activate();
    s.setScale (1.75);
    destroyScaling();

    EXPECT_DOUBLE_EQ (static_cast<double> (storedUi()["scale"]), 1.75);

    // The next editor opens at the stored size.
    makeScaling().activate();
    EXPECT_EQ (editor.getWidth(), 2380);
    EXPECT_EQ (editor.getHeight(), 1435);
}

TEST_F (EditorScalingTest, MenuTicksTheCurrentStepAndAppliesChoices)
{
    auto& s = makeScaling();
    s.activate();
    s.setScale (1.15);

    const auto items = itemsOf (s.createScaleMenu());
    const int steps[] { 75, 90, 100, 115, 125, 150, 175, 200 };
    ASSERT_EQ (items.size(), std::size (steps));

    for (size_t i = 0; i < items.size(); ++i)
    {
        EXPECT_EQ (items[i].id, steps[i] + 1000);
        EXPECT_EQ (items[i].text, juce::String (steps[i]) + "%");
        EXPECT_TRUE (items[i].enabled);
    }

    EXPECT_EQ (tickedIds (s.createScaleMenu()), std::vector<int> { 1115 });

    // A corner drag changes the logical size, not the scale.
    editor.setSize (1600, 1000);
    EXPECT_EQ (s.getLogicalWidth(), 1391);
    EXPECT_EQ (s.getLogicalHeight(), 870);
    EXPECT_DOUBLE_EQ (s.getScale(), 1.15);
    EXPECT_EQ (tickedIds (s.createScaleMenu()), std::vector<int> { 1115 });

    // Beyond the limits the logical size is clamped.
    editor.setSize (5000, 100);
    EXPECT_EQ (s.getLogicalWidth(), 1900);
    EXPECT_EQ (s.getLogicalHeight(), 700);

    s.setScale (1.2);
    EXPECT_TRUE (tickedIds (s.createScaleMenu()).empty());

    s.applyMenuChoice (1150);
    EXPECT_DOUBLE_EQ (s.getScale(), 1.5);
    EXPECT_EQ (editor.getWidth(), 2850);
    EXPECT_EQ (editor.getHeight(), 1050);
    EXPECT_EQ (s.getButtonText(), "UI 150%");

    s.applyMenuChoice (0);
    s.applyMenuChoice (1151);
    EXPECT_DOUBLE_EQ (s.getScale(), 1.5);

    // Steps outside the configured range are disabled and refused.
    EditorScaling::Config narrow;
    narrow.maxScale = 1.5;
    auto& limited = makeScaling (narrow);
    limited.activate();
    const auto limitedItems = itemsOf (limited.createScaleMenu());
    EXPECT_FALSE (limitedItems[6].enabled);
    EXPECT_FALSE (limitedItems[7].enabled);
    EXPECT_TRUE (limitedItems[5].enabled);
    const auto before = limited.getScale();
    limited.applyMenuChoice (1200);
    EXPECT_DOUBLE_EQ (limited.getScale(), before);
}

TEST_F (EditorScalingTest, FixedSizeEditorZoomsWithTheCorner)
{
    EditorScaling::Config fixed;
    fixed.resizable = false;
    auto& s = makeScaling (fixed);
    s.activate();

    editor.setSize (1700, 1025);
    EXPECT_DOUBLE_EQ (s.getScale(), 1.25);
    EXPECT_EQ (s.getLogicalWidth(), 1360);
    EXPECT_EQ (editor.getHeight(), 1025);

    editor.setSize (4000, 2000);
    EXPECT_DOUBLE_EQ (s.getScale(), 2.0);
    EXPECT_EQ (editor.getWidth(), 2720);
}

TEST_F (EditorScalingTest, DoubleClickOnTheCornerResetsTheScaleAndKeepsTheLogicalSize)
{
    auto& s = makeScaling();
    s.activate();
    s.setScale (1.5);
    editor.setSize (2100, 1200);
    ASSERT_EQ (s.getLogicalWidth(), 1400);

    tolmek::ScaleResetCorner corner (&editor, &constrainer, [this] { return scaling.get(); });
    editor.addAndMakeVisible (corner);
    corner.setBounds (editor.getWidth() - 18, editor.getHeight() - 18, 18, 18);

    const auto source = juce::Desktop::getInstance().getMainMouseSource();
    const auto now = juce::Time::getCurrentTime();
    const juce::MouseEvent doubleClick (source, { 9.0f, 9.0f }, {}, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                                        &corner, &corner, now, { 9.0f, 9.0f }, now, 2, false);
    corner.mouseDoubleClick (doubleClick);

    EXPECT_DOUBLE_EQ (s.getScale(), 1.0);
    EXPECT_EQ (s.getLogicalWidth(), 1400);
    EXPECT_EQ (s.getLogicalHeight(), 800);
    EXPECT_EQ (editor.getWidth(), 1400);
    EXPECT_EQ (s.getButtonText(), "UI 100%");
    editor.removeChildComponent (&corner);
}
