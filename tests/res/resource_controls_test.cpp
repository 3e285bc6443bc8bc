// The resource modules' dialog templates: kinds, identifiers, lists, visibility and radio pairs of
// their controls.
#include "resource_module_fixture.h"

#include <gtest/gtest.h>

namespace {

TEST_F(ResourceModuleTest, PopupsAreDialogsWithCaptionsAndPagesArePlainWidgets)
{
    const std::map<int, std::pair<const char*, const char*>> captions = {
        {100, {"About Norvel Controller", "关于诺维自控"}},
        {102, {"Norvel Controller", "诺维自控"}},
        {133,
         {"Norvel DVR-X Series Controllers Configurable Program",
          "诺维自控DVR-X系列控制器客户标定程序"}},
        {153, {"Upgrade", "升级"}},
    };
    for (const auto& [id, caption] : captions) {
        for (const QString& name : kModules) {
            auto w = dialog(name, id);
            ASSERT_TRUE(w);
            EXPECT_NE(qobject_cast<QDialog*>(w.get()), nullptr) << id;
            const char* expected =
                name == QLatin1String("english") ? caption.first : caption.second;
            EXPECT_EQ(w->windowTitle(), utf8(expected)) << id;
        }
    }
    for (int id : kPages) {
        for (const QString& name : kModules) {
            auto w = dialog(name, id);
            ASSERT_TRUE(w);
            EXPECT_EQ(qobject_cast<QDialog*>(w.get()), nullptr) << id;
        }
    }
    // The Upgrade dialog has no controls at all.
    auto upgrade = dialog(QStringLiteral("english"), 153);
    EXPECT_TRUE(upgrade->findChildren<QWidget*>().isEmpty());
}

TEST_F(ResourceModuleTest, ModulesCarryTheSameControlIdentifiersSaveTwo)
{
    for (int id : kDialogs) {
        auto en = dialog(QStringLiteral("english"), id);
        auto cn = dialog(QStringLiteral("chinese"), id);
        ASSERT_TRUE(en && cn);
        std::set<int> expected = controlIds(en.get());
        // The Chinese module leaves out the import-mode paragraph and an unused label.
        if (id == 145) {
            EXPECT_EQ(expected.erase(1022), 1u);
        }
        if (id == 148) {
            EXPECT_EQ(expected.erase(1036), 1u);
        }
        EXPECT_EQ(controlIds(cn.get()), expected) << id;
    }
}

TEST_F(ResourceModuleTest, ControlsHaveTheKindsThePagesLookFor)
{
    struct Kinds
    {
        std::vector<int> sliders, lists, editableCombos, edits, radios, buttons, groups;
    };
    const std::map<int, Kinds> kinds = {
        {102, {{}, {}, {}, {}, {}, {1, 1012}, {1005}}},
        {133, {{}, {}, {}, {}, {}, {1016, 1017, 1018, 1020, 1022, 1026, 1103}, {1027}}},
        {145, {{}, {}, {}, {}, {1014, 1015, 1019}, {}, {}}},
        {146,
         {{1030, 1032, 1033, 1034, 1035, 1094},
          {1031},
          {1110, 1111},
          {},
          {1037, 1038, 1123, 1124},
          {},
          {1005}}},
        {147, {{1035, 1062, 1065}, {1044, 1046, 1047}, {}, {}, {1024, 1025, 1113, 1114}, {}, {}}},
        {148,
         {{1084, 1035, 1085, 1037, 1086, 1132, 1087},
          {1140},
          {},
          {1125, 1126},
          {1082, 1083, 1088, 1089, 1090, 1091, 1092, 1093},
          {},
          {1122, 1139}}},
        {149,
         {{1094, 1045, 1043, 1079, 1080},
          {1081},
          {1112, 1113},
          {},
          {1016, 1017, 1018, 1019, 1020, 1021, 1022, 1023},
          {},
          {}}},
        {151,
         {{},
          {},
          {},
          {1127, 1137, 1138, 1139, 1140, 1141, 1142, 1143, 1128, 1145, 1146},
          {},
          {},
          {}}},
        {156,
         {{1058, 1092},
          {1085},
          {},
          {},
          {1090, 1091, 1097, 1098, 1099, 1100, 1101, 1102, 1119, 1120, 1127, 1128, 1129, 1126, 1104,
           1105},
          {},
          {}}},
    };
    for (const QString& name : kModules) {
        for (const auto& [id, k] : kinds) {
            auto w = dialog(name, id);
            ASSERT_TRUE(w);
            const std::string where = name.toStdString() + " " + std::to_string(id) + " ";
            for (int c : k.sliders) {
                auto* slider = control<QSlider>(w.get(), c);
                ASSERT_NE(slider, nullptr) << where << c;
                // A trackbar starts on 0..100 without tick marks.
                EXPECT_EQ(slider->orientation(), Qt::Horizontal) << where << c;
                EXPECT_EQ(slider->minimum(), 0) << where << c;
                EXPECT_EQ(slider->maximum(), 100) << where << c;
                EXPECT_EQ(slider->tickPosition(), QSlider::NoTicks) << where << c;
            }
            for (int c : k.lists) {
                auto* combo = control<QComboBox>(w.get(), c);
                ASSERT_NE(combo, nullptr) << where << c;
                EXPECT_FALSE(combo->isEditable()) << where << c;
            }
            for (int c : k.editableCombos) {
                auto* combo = control<QComboBox>(w.get(), c);
                ASSERT_NE(combo, nullptr) << where << c;
                EXPECT_TRUE(combo->isEditable()) << where << c;
            }
            for (int c : k.edits) {
                auto* edit = control<QLineEdit>(w.get(), c);
                ASSERT_NE(edit, nullptr) << where << c;
                EXPECT_TRUE(edit->alignment() & Qt::AlignRight) << where << c;
            }
            for (int c : k.radios)
                EXPECT_NE(control<QRadioButton>(w.get(), c), nullptr) << where << c;
            for (int c : k.buttons)
                EXPECT_NE(control<QPushButton>(w.get(), c), nullptr) << where << c;
            for (int c : k.groups)
                EXPECT_NE(control<QGroupBox>(w.get(), c), nullptr) << where << c;
        }
    }
    auto classic = dialog(QStringLiteral("english"), 102);
    EXPECT_NE(control<QTabWidget>(classic.get(), 1000), nullptr);
    EXPECT_TRUE(control<QPushButton>(classic.get(), 1)->isDefault());
    // The sorted steps lists insert new text in order.
    auto throttle = dialog(QStringLiteral("english"), 146);
    EXPECT_EQ(control<QComboBox>(throttle.get(), 1110)->insertPolicy(),
              QComboBox::InsertAlphabetically);
}

TEST_F(ResourceModuleTest, ComboListsHoldTheirItemsInOrder)
{
    const QString en = QStringLiteral("english");
    const QString cn = QStringLiteral("chinese");
    const QStringList starts = texts({"0%", "10%", "20%", "30%", "40%"});
    const QStringList ends = texts({"100%", "90%", "80%", "70%", "60%", "50%"});
    const QStringList sensors = texts({"禁用", "KTY83-122", "KTY84-130"});
    QStringList poles;
    for (int i = 0; i < 100; ++i)
        poles << QString::number(2 * (i + 1));
    const QStringList delays =
        texts({"0 sec.",   "0.1 sec.", "0.2 sec.", "0.3 sec.", "0.4 sec.", "0.5 sec.", "0.6 sec.",
               "0.7 sec.", "0.8 sec.", "0.9 sec.", "1  sec.",  "1.1 sec.", "1.2 sec.", "1.3 sec.",
               "1.4 sec.", "1.5 sec.", "1.6 sec.", "1.7 sec.", "1.8 sec.", "1.9 sec.", "2 sec."});

    auto p146 = dialog(en, 146);
    EXPECT_EQ(comboItems(p146.get(), 1031), texts({"0-5V ", "5-0V "}));
    EXPECT_EQ(comboItems(p146.get(), 1110), starts);
    EXPECT_EQ(comboItems(p146.get(), 1111), ends);
    auto p147 = dialog(en, 147);
    EXPECT_EQ(comboItems(p147.get(), 1044), delays);
    EXPECT_EQ(comboItems(p147.get(), 1046), texts({"60 degree", "120 degree"}));
    EXPECT_EQ(comboItems(p147.get(), 1047), texts({"Torque", "Balanced", "Speed2"}));
    auto p148 = dialog(en, 148);
    EXPECT_EQ(comboItems(p148.get(), 1140), sensors);
    auto p149 = dialog(en, 149);
    EXPECT_EQ(comboItems(p149.get(), 1081), texts({"No Used", "0-5V ", "5-0V "}));
    EXPECT_EQ(comboItems(p149.get(), 1112), starts);
    EXPECT_EQ(comboItems(p149.get(), 1113), ends);
    auto p156 = dialog(en, 156);
    EXPECT_EQ(comboItems(p156.get(), 1085), poles);

    // The Chinese lists have as many items, in the same meaning and order.
    auto c146 = dialog(cn, 146);
    EXPECT_EQ(comboItems(c146.get(), 1031), texts({"0-5V", "5-0V"}));
    EXPECT_EQ(comboItems(c146.get(), 1110), starts);
    EXPECT_EQ(comboItems(c146.get(), 1111), ends);
    auto c147 = dialog(cn, 147);
    const QStringList cnDelays = comboItems(c147.get(), 1044);
    ASSERT_EQ(cnDelays.size(), 21);
    EXPECT_EQ(cnDelays.first(), utf8("0秒"));
    EXPECT_EQ(cnDelays[10], utf8("1秒"));
    EXPECT_EQ(cnDelays.last(), utf8("2秒"));
    EXPECT_EQ(comboItems(c147.get(), 1046), texts({"60度", "120度"}));
    EXPECT_EQ(comboItems(c147.get(), 1047).size(), 3);
    auto c148 = dialog(cn, 148);
    EXPECT_EQ(comboItems(c148.get(), 1140), sensors);
    auto c149 = dialog(cn, 149);
    EXPECT_EQ(comboItems(c149.get(), 1081), texts({"不使用", "0-5V", "5-0V"}));
    EXPECT_EQ(comboItems(c149.get(), 1112), starts);
    EXPECT_EQ(comboItems(c149.get(), 1113), ends);
    auto c156 = dialog(cn, 156);
    EXPECT_EQ(comboItems(c156.get(), 1085), poles);

    // Nothing is selected by the lists themselves beyond the first item.
    EXPECT_EQ(control<QComboBox>(p147.get(), 1044)->currentIndex(), 0);
}

TEST_F(ResourceModuleTest, HiddenControlsStartHiddenAndTheOthersVisible)
{
    const std::map<int, std::set<int>> hiddenEnglish = {
        {102, {1, 1005, 1012, 1000}},    {133, {1027, 1022}}, {147, {1113, 1114}},
        {148, {1082, 1083, 1144, 1046}}, {156, {1104, 1105}},
    };
    std::map<int, std::set<int>> hiddenChinese = hiddenEnglish;
    // The hall phase sequence shows in the Chinese module only.
    hiddenChinese[148] = {1082, 1083};

    for (const QString& name : kModules) {
        const auto& hidden = name == QLatin1String("english") ? hiddenEnglish : hiddenChinese;
        for (int id : kDialogs) {
            auto w = dialog(name, id);
            ASSERT_TRUE(w);
            const auto it = hidden.find(id);
            for (int c : controlIds(w.get())) {
                const bool expectHidden = it != hidden.end() && it->second.count(c) > 0;
                EXPECT_EQ(control<QWidget>(w.get(), c)->isHidden(), expectHidden)
                    << name.toStdString() << " " << id << " control " << c;
            }
            // Once the dialog is shown, the hidden ones stay hidden.
            w->setAttribute(Qt::WA_DontShowOnScreen);
            w->show();
            if (it != hidden.end()) {
                for (int c : it->second)
                    EXPECT_FALSE(control<QWidget>(w.get(), c)->isVisible()) << id << " " << c;
            }
        }
    }
    // Statics without identifier that the templates hide.
    for (const QString& name : kModules) {
        auto j1939 = dialog(name, 151);
        auto motor = dialog(name, 156);
        int hiddenLabels = 0;
        for (auto* label : j1939->findChildren<QLabel*>())
            hiddenLabels += label->text() == QLatin1String("7") && label->isHidden();
        for (auto* label : motor->findChildren<QLabel*>())
            hiddenLabels +=
                label->objectName().startsWith(QLatin1String("static_")) && label->isHidden();
        EXPECT_EQ(hiddenLabels, 2) << name.toStdString();
    }
}

TEST_F(ResourceModuleTest, RadioPairsAreIndependentGroupsStartingUnchecked)
{
    for (const QString& name : kModules) {
        for (int id : kDialogs) {
            auto w = dialog(name, id);
            ASSERT_TRUE(w);
            const auto radios = w->findChildren<QRadioButton*>();
            QSet<QButtonGroup*> groups;
            for (QRadioButton* radio : radios) {
                EXPECT_FALSE(radio->isChecked()) << id;
                ASSERT_NE(radio->group(), nullptr)
                    << id << " " << radio->objectName().toStdString();
                EXPECT_TRUE(radio->group()->exclusive());
                groups.insert(radio->group());
            }
            for (QButtonGroup* group : groups) {
                // The run-mode choice is one group of three; every other group is a pair.
                EXPECT_EQ(group->buttons().size(), id == 145 ? 3 : 2)
                    << id << " " << group->objectName().toStdString();
            }
            // Checking a button in one group leaves the buttons checked in the others alone.
            std::map<QButtonGroup*, QAbstractButton*> picked;
            for (QButtonGroup* group : groups) {
                picked[group] = group->buttons().last();
                picked[group]->setChecked(true);
                for (const auto& [other, chosen] : picked)
                    EXPECT_EQ(other->checkedButton(), chosen) << id;
            }
            int checked = 0;
            for (QButtonGroup* group : groups)
                checked += group->checkedButton() != nullptr;
            EXPECT_EQ(checked, groups.size()) << id;
        }
    }
    auto page = dialog(QStringLiteral("english"), 146);
    auto* footEnable = control<QRadioButton>(page.get(), 1037);
    auto* forwardEnable = control<QRadioButton>(page.get(), 1123);
    footEnable->setChecked(true);
    forwardEnable->setChecked(true);
    EXPECT_TRUE(footEnable->isChecked()); // another pair: not cleared
    control<QRadioButton>(page.get(), 1038)->setChecked(true);
    EXPECT_FALSE(footEnable->isChecked()); // its own pair: cleared
}

TEST(Controls, LookUpByIdentifierAndKindToleratingAbsence)
{
    QWidget root;
    auto* slider = new QSlider(&root);
    slider->setObjectName(controlName(1030));
    EXPECT_EQ(controlName(1030), QStringLiteral("id1030"));
    EXPECT_EQ(control<QSlider>(&root, 1030), slider);
    EXPECT_EQ(control<QWidget>(&root, 1030), slider);
    EXPECT_EQ(control<QComboBox>(&root, 1030), nullptr); // another kind
    EXPECT_EQ(control<QSlider>(&root, 1031), nullptr);   // absent
    EXPECT_EQ(control<QSlider>(nullptr, 1030), nullptr); // no dialog at all
}

TEST(Controls, APairCanBeClearedAndSetExactly)
{
    QWidget root;
    auto* enable = new QRadioButton(&root);
    auto* disable = new QRadioButton(&root);
    enable->setObjectName(controlName(1088));
    disable->setObjectName(controlName(1089));
    QButtonGroup pair(&root);
    pair.addButton(enable);
    pair.addButton(disable);

    setButtonChecked(&root, 1088, true);
    EXPECT_TRUE(isButtonChecked(&root, 1088));
    // Plain Qt refuses to uncheck the checked button of an exclusive group; the helper does it.
    setButtonChecked(&root, 1088, false);
    EXPECT_FALSE(isButtonChecked(&root, 1088));
    EXPECT_FALSE(isButtonChecked(&root, 1089));
    EXPECT_TRUE(pair.exclusive());
    setButtonChecked(&root, 1089, true);
    setButtonChecked(&root, 1088, true);
    EXPECT_FALSE(isButtonChecked(&root, 1089));
    setButtonChecked(&root, 4242, true); // absent: ignored
    EXPECT_FALSE(isButtonChecked(&root, 4242));
}

} // namespace
