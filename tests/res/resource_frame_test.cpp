// The resource modules in the frame: page fit, fonts, bitmaps, the menu bar and the version
// records.
#include "resource_module_fixture.h"

#include <gtest/gtest.h>

namespace {

TEST_F(ResourceModuleTest, PagesFitInsideTheFramesPageArea)
{
    for (const QString& name : kModules) {
        auto frame = dialog(name, 133);
        ASSERT_TRUE(frame);
        const QSize area = control<QGroupBox>(frame.get(), 1027)->size();
        for (int id : kPages) {
            auto page = dialog(name, id);
            ASSERT_TRUE(page);
            for (QWidget* w : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                if (w->isHidden())
                    continue;
                EXPECT_TRUE(QRect(QPoint(0, 0), area).contains(w->geometry()))
                    << name.toStdString() << " " << id << " " << w->objectName().toStdString();
            }
        }
    }
}

TEST_F(ResourceModuleTest, PagesInsideTheFrameKeepTheModuleFont)
{
    // An application font far from the modules' 8 points shows any control that loses it.
    const QFont saved = QApplication::font();
    QFont big = saved;
    big.setPointSize(14);
    QApplication::setFont(big);
    for (const QString& name : kModules) {
        QDialog window;
        QWidget* frame = module(name).loadDialog(133, &window);
        ASSERT_NE(frame, nullptr);
        frame->setWindowFlags(Qt::Widget);
        auto* holder = new QWidget; // the page object, as the wizard makes it
        QWidget* page = module(name).loadDialog(146, holder);
        ASSERT_NE(page, nullptr);
        holder->setParent(frame);
        window.setAttribute(Qt::WA_DontShowOnScreen);
        window.show();
        holder->show();
        QCoreApplication::processEvents();
        for (int id : {1054, 1123}) {
            const QFont font = control<QWidget>(page, id)->font();
            EXPECT_EQ(font.pointSize(), 8) << name.toStdString() << " " << id;
            if (name == QLatin1String("chinese")) {
                EXPECT_EQ(font.family(), QStringLiteral("Noto Sans CJK SC"));
            }
        }
        EXPECT_EQ(control<QWidget>(frame, 1016)->font().pointSize(), 8) << name.toStdString();
    }
    QApplication::setFont(saved);
}

TEST_F(ResourceModuleTest, FrameShowsTheModuleBitmapsUncropped)
{
    for (const QString& name : kModules) {
        auto frame = dialog(name, 133);
        ASSERT_TRUE(frame);
        QLabel* banner = nullptr;
        QLabel* side = nullptr;
        for (auto* label : frame->findChildren<QLabel*>()) {
            if (label->pixmap().size() == QSize(700, 70))
                banner = label;
            else if (label->pixmap().width() == 150)
                side = label;
        }
        ASSERT_NE(banner, nullptr) << name.toStdString();
        ASSERT_NE(side, nullptr) << name.toStdString();
        EXPECT_TRUE(banner->hasScaledContents()); // stretched across the top strip
        EXPECT_EQ(banner->pos(), QPoint(0, 0));
        EXPECT_GE(side->width(), side->pixmap().width());
        EXPECT_GE(side->height(), side->pixmap().height());
        EXPECT_EQ(side->pixmap().size(), module(name).bitmap(166).size());
        EXPECT_LE(side->geometry().right(), control<QGroupBox>(frame.get(), 1027)->x());
    }
}

TEST_F(ResourceModuleTest, MenuBarCarriesTheCommands)
{
    const auto en = module(QStringLiteral("english")).menu(129);
    ASSERT_EQ(en.size(), 3);
    EXPECT_EQ(en[0].text, QStringLiteral("&Settings"));
    ASSERT_EQ(en[0].items.size(), 1);
    EXPECT_EQ(en[0].items[0].text, QStringLiteral("E&xit"));
    EXPECT_EQ(en[0].items[0].command, 32772);
    EXPECT_EQ(en[1].text, QStringLiteral("&Tools"));
    EXPECT_EQ(en[1].command, 32774);
    EXPECT_TRUE(en[1].items.isEmpty());
    EXPECT_EQ(en[2].text, QStringLiteral("&Help"));
    ASSERT_EQ(en[2].items.size(), 1);
    EXPECT_EQ(en[2].items[0].text, QStringLiteral("&About"));
    EXPECT_EQ(en[2].items[0].command, 32771);

    const auto cn = module(QStringLiteral("chinese")).menu(129);
    ASSERT_EQ(cn.size(), 3);
    EXPECT_EQ(cn[0].text, utf8("设置(&S)"));
    EXPECT_EQ(cn[0].items.value(0).text, utf8("退出(&E)"));
    EXPECT_EQ(cn[0].items.value(0).command, 32772);
    EXPECT_EQ(cn[1].text, utf8("工具(&T)"));
    EXPECT_EQ(cn[1].command, 32774);
    EXPECT_EQ(cn[2].text, utf8("帮助(&H)"));
    EXPECT_EQ(cn[2].items.value(0).text, utf8("关于(&A)"));
    EXPECT_EQ(cn[2].items.value(0).command, 32771);

    std::unique_ptr<QMenuBar> bar(module(QStringLiteral("english")).createMenuBar(129));
    const auto top = bar->actions();
    ASSERT_EQ(top.size(), 3);
    ASSERT_NE(top[0]->menu(), nullptr);
    EXPECT_EQ(top[0]->menu()->actions().value(0)->data().toInt(), 32772);
    EXPECT_EQ(top[1]->menu(), nullptr);
    EXPECT_EQ(top[1]->data().toInt(), 32774);
    EXPECT_EQ(top[2]->menu()->actions().value(0)->data().toInt(), 32771);
    // Dialog 102 names the menu it carries.
    auto classic = dialog(QStringLiteral("english"), 102);
    EXPECT_EQ(classic->property("menuId").toInt(), 129);
}

TEST_F(ResourceModuleTest, VersionRecordsNameTheProgram)
{
    const QJsonObject en = module(QStringLiteral("english")).version();
    const QJsonObject cn = module(QStringLiteral("chinese")).version();
    for (const QJsonObject& v : {en, cn}) {
        EXPECT_EQ(v.value(QStringLiteral("fileVersion")).toString(), QStringLiteral("4.1.0.0"));
        EXPECT_EQ(v.value(QStringLiteral("productVersion")).toString(), QStringLiteral("4.1.0.0"));
    }
    const QJsonObject es = en.value(QStringLiteral("strings")).toObject();
    const QString product =
        QStringLiteral("Norvel PDM/PDR Series Controllers Configurable Program");
    EXPECT_EQ(en.value(QStringLiteral("codePage")).toString(), QStringLiteral("040904b0"));
    EXPECT_EQ(es.value(QStringLiteral("FileDescription")).toString(), product);
    EXPECT_EQ(es.value(QStringLiteral("InternalName")).toString(), product);
    EXPECT_EQ(es.value(QStringLiteral("ProductName")).toString(), product);
    EXPECT_EQ(es.value(QStringLiteral("FileVersion")).toString(), QStringLiteral("4, 1, 0, 0"));
    EXPECT_EQ(es.value(QStringLiteral("ProductVersion")).toString(), QStringLiteral("4, 1, 0, 0"));

    const QJsonObject cs = cn.value(QStringLiteral("strings")).toObject();
    EXPECT_EQ(cn.value(QStringLiteral("codePage")).toString(), QStringLiteral("080404b0"));
    EXPECT_EQ(cs.value(QStringLiteral("FileDescription")).toString(),
              utf8("诺维控制PDM/PDR系列控制器配置程序"));
    EXPECT_EQ(cs.value(QStringLiteral("InternalName")).toString(),
              utf8("诺维PDM系列控制器用户配置程序"));
    EXPECT_EQ(cs.value(QStringLiteral("ProductName")).toString(),
              utf8("诺维控制PDM系列控制器配置程序"));
    EXPECT_EQ(cs.value(QStringLiteral("FileVersion")).toString(), QStringLiteral("4, 1, 0, 0"));
    EXPECT_EQ(cs.value(QStringLiteral("ProductVersion")).toString(), QStringLiteral("4, 5, 0, 0"));
}

} // namespace
