// The wizard frame's keys: Escape and the close box act as Cancel, Tab runs in reading order,
// Help without a browser gives the address.
#include "wizird_fixture.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// How the user leaves: a key on the page, or the window's close box.
const std::pair<const char*, std::function<void(Wizird&)>> kLeaveWays[] = {
    {"Escape", [](Wizird& w) { QTest::keyClick(w.page(w.currentPage()), Qt::Key_Escape); }},
    {"close box", [](Wizird& w) { w.close(); }},
};

TEST_F(WizirdTest, EscapeAndTheCloseBoxAskAsCancelAndStayingKeepsThePageWhole)
{
    for (const auto& [way, leave] : kLeaveWays) {
        SCOPED_TRACE(way);
        auto h = harness("basic");
        ASSERT_TRUE(h->open());
        h->frame->show();
        h->frame->OnNext();
        int finished = 0;
        QObject::connect(h->frame.get(), &QDialog::finished, [&](int) { ++finished; });
        h->prompter.script(102, {Answer::Cancel});
        leave(*h->frame);
        EXPECT_EQ(h->prompter.count(102), 1);
        EXPECT_EQ(finished, 0);
        // Staying: the frame, its buttons and the page are all still shown.
        EXPECT_TRUE(h->frame->isVisible());
        EXPECT_TRUE(h->frame->button(Wizird::IdNext)->isVisible());
        EXPECT_TRUE(h->frame->page(2)->isVisible());
        EXPECT_EQ(h->frame->currentPage(), 2);

        leave(*h->frame); // OK this time
        EXPECT_EQ(h->prompter.count(102), 2);
        EXPECT_EQ(finished, 1);
        EXPECT_EQ(h->frame->result(), QDialog::Rejected);
        EXPECT_EQ(h->sim->commitCount(), 0);
    }
}

bool takesTab(const QWidget* w)
{
    return (w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled();
}

TEST(WizirdTabOrder, RunsThroughThePageInReadingOrderThenTheFrameButtons)
{
    FrameHarness h("full");
    ASSERT_TRUE(h.open());
    h.frame->show();
    for (int n = 1; n <= h.frame->pageCount(); ++n) {
        SCOPED_TRACE(n);
        h.frame->ShowPage(n);
        QWidget* page = h.frame->page(n);
        // The window's whole cycle, from wherever it starts.
        QList<QWidget*> cycle;
        for (QWidget* w = h.frame->nextInFocusChain(); w != h.frame.get();
             w = w->nextInFocusChain())
            if (takesTab(w))
                cycle.append(w);
        const auto onPage = [page](const QWidget* w) { return page->isAncestorOf(w); };
        qsizetype start = -1, changes = 0;
        for (qsizetype i = 0; i < cycle.size(); ++i) {
            const QWidget* before = cycle[(i + cycle.size() - 1) % cycle.size()];
            if (onPage(cycle[i]) != onPage(before)) {
                ++changes;
                if (onPage(cycle[i]))
                    start = i;
            }
        }
        if (std::none_of(cycle.begin(), cycle.end(), onPage))
            continue; // a page with nothing to edit: the buttons alone
        ASSERT_EQ(changes, 2) << "the page's controls, then the frame's buttons, each together";
        std::rotate(cycle.begin(), cycle.begin() + start, cycle.end());
        const auto at = [&h](const QWidget* w) {
            return QRect(w->mapTo(h.frame.get(), QPoint(0, 0)), w->size());
        };
        for (qsizetype i = 1; i < cycle.size(); ++i) {
            const QRect a = at(cycle[i - 1]), b = at(cycle[i]);
            if (onPage(cycle[i - 1]) != onPage(cycle[i]))
                continue;
            const bool sameRow = b.center().y() <= a.bottom() && b.center().y() >= a.top();
            EXPECT_TRUE(sameRow ? b.left() > a.left() : b.top() > a.top())
                << cycle[i - 1]->objectName().toStdString() << " then "
                << cycle[i]->objectName().toStdString();
        }
    }
}

TEST_F(WizirdTest, HelpWithoutABrowserSaysSoWithTheAddress)
{
    for (bool starts : {true, false}) {
        auto h = harness("basic");
        ASSERT_TRUE(h->open());
        h->browserStarts = starts;
        h->frame->OnHelpButton();
        ASSERT_EQ(h->openedUrls.size(), 1);
        EXPECT_EQ(h->prompter.count(600), starts ? 0 : 1);
        if (!starts) {
            EXPECT_TRUE(h->prompter.askedDetails.last().contains(h->openedUrls[0].toString()));
        }
    }
}

} // namespace
