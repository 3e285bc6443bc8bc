// The spans the pages give their sliders, in the units the controls show.
#include "page_harness.h"
#include "page_set.h"

#include <QSlider>

#include <gtest/gtest.h>

#include <map>
#include <utility>

namespace {

struct Span
{
    int min;
    int max;
};

// A 48 V CAN controller with regeneration on the latest software: every page and every slider.
ConfigBlock latestController()
{
    ConfigBlock b = blockWithVersion(4, 5);
    const int model = fieldDef(Field::ModelNumber).offset;
    const char digits[] = "48301";
    for (int i = 0; i < 5; ++i)
        b.setByte(model + i, static_cast<std::uint8_t>(digits[i]));
    b.set(Field::ModelVariant, 'C');
    return b;
}

TEST(SliderSpans, EverySliderOfEveryPageSpansTheValuesItsFieldMayTake)
{
    // (template, slider) -> span. Throttle positions show percent of a half-percent field,
    // the rate a tenth of its field.
    const std::map<std::pair<int, int>, Span> expected = {
        {{146, 1030}, {0, 40}},   // throttle start position
        {{146, 1032}, {60, 100}}, // throttle end position
        {{146, 1033}, {0, 40}},   // low threshold voltage
        {{146, 1035}, {60, 100}}, // high threshold voltage
        {{146, 1034}, {20, 100}}, // max motor current
        {{146, 1094}, {20, 50}},  // max battery current
        {{147, 1035}, {18, 60}},  // under-voltage, 48 V class
        {{147, 1062}, {18, 60}},  // over-voltage
        {{147, 1065}, {1, 20}},   // throttle up/down rate
        {{156, 1058}, {30, 100}}, // top speed
        {{156, 1092}, {20, 100}}, // top speed in reverse
        {{149, 1094}, {0, 20}},   // regen on throttle release
        {{149, 1045}, {5, 50}},   // regen current by brake switch
        {{149, 1043}, {20, 100}}, // max regen current
        {{149, 1079}, {0, 40}},   // brake sensor starting point
        {{149, 1080}, {50, 100}}, // brake sensor ending point
        {{148, 1084}, {60, 170}}, // stop output temperature
        {{148, 1035}, {60, 170}}, // resume output temperature
        {{148, 1085}, {5, 30}},   // inflection point
        {{148, 1037}, {1, 255}},  // low accel
        {{148, 1086}, {1, 255}},  // low decel
        {{148, 1132}, {1, 255}},  // high accel
        {{148, 1087}, {1, 255}},  // high decel
    };

    ConfigBlock block = latestController();
    std::map<std::pair<int, int>, Span> seen;
    for (const PagePlan& plan : planPages(block)) {
        auto page = createPage(plan.kind, block, nullptr);
        ASSERT_NE(page, nullptr);
        page->setForm(testModule().loadDialog(plan.templateId, page.get()));
        page->load();
        for (QSlider* slider : page->findChildren<QSlider*>()) {
            const int id = slider->objectName().mid(2).toInt();
            seen[{plan.templateId, id}] = {slider->minimum(), slider->maximum()};
        }
    }

    for (const auto& [key, span] : expected) {
        SCOPED_TRACE(testing::Message() << "template " << key.first << " slider " << key.second);
        const auto it = seen.find(key);
        ASSERT_NE(it, seen.end());
        EXPECT_EQ(it->second.min, span.min);
        EXPECT_EQ(it->second.max, span.max);
    }
    // No slider of these pages is left out of the table above.
    for (const auto& [key, span] : seen)
        EXPECT_TRUE(expected.count(key)) << "template " << key.first << " slider " << key.second
                                         << " spans " << span.min << ".." << span.max;
}

} // namespace
