// A value refused by a page keeps the wizard on that page and keeps the controller unwritten.
#include "cstep4.h"
#include "cstep7.h"
#include "frame_harness.h"
#include "page_harness.h"

#include <QApplication>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

const QString kSendIdMessage = QStringLiteral("Send ID must between 0 and 2047 ");
const QString kPreferredAddressMessage =
    QStringLiteral("Preferred Address must between 0 and 127 or 248 and 253 ");
const QString kIndustryGroupMessage = QStringLiteral("Industry Group must between 0 and 7 ");
constexpr int kCompleted = 106; // the question after a successful write

// Number of the frame's page of class T, 0 when the frame has none.
template <class T> int pageOf(const Wizird& frame)
{
    for (int n = 1; n <= frame.pageCount(); ++n)
        if (qobject_cast<T*>(frame.page(n)))
            return n;
    return 0;
}

// Moves on with Next up to page n; false when a page on the way would not let go.
bool goTo(Wizird& frame, int n)
{
    while (frame.currentPage() < n) {
        const int before = frame.currentPage();
        frame.OnNext();
        if (frame.currentPage() == before)
            return false;
    }
    return frame.currentPage() == n;
}

QLineEdit* edit(Wizird& frame, int page, int id)
{
    auto* e = frame.page(page)->control<QLineEdit>(id);
    EXPECT_NE(e, nullptr) << id;
    return e;
}

// The frame stays on page n, showing only it, and nothing reached the controller.
void expectHeldOn(FrameHarness& h, int n, const ConfigBlock& controllerImage)
{
    EXPECT_EQ(h.frame->currentPage(), n);
    for (int other = 1; other <= h.frame->pageCount(); ++other)
        EXPECT_EQ(h.frame->isPageShown(other), other == n) << other;
    EXPECT_FALSE(h.frame->page(n)->isHidden());
    EXPECT_EQ(h.sim->frameCount(CMD_WRITE), 0);
    EXPECT_EQ(h.sim->commitCount(), 0);
    EXPECT_EQ(h.sim->storedImage(), controllerImage);
    EXPECT_EQ(h.prompter.count(kCompleted), 0);
}

TEST(RefusalThroughFrame, BadCanIdentifierHoldsNextPreviousAndFinishUntilFixed)
{
    FrameHarness h(QStringLiteral("can"));
    ASSERT_TRUE(h.open());
    h.frame->show();
    QApplication::setActiveWindow(h.frame.get());
    const ConfigBlock controllerImage = h.sim->storedImage();
    const int n = pageOf<CStep4>(*h.frame);
    ASSERT_GT(n, 0);
    ASSERT_TRUE(goTo(*h.frame, n));

    QLineEdit* sendId = edit(*h.frame, n, 1125);
    sendId->setText(QStringLiteral("2048"));
    h.frame->OnNext();
    expectHeldOn(h, n, controllerImage);
    EXPECT_EQ(h.prompter.told, QStringList{kSendIdMessage});
    EXPECT_EQ(QApplication::focusWidget(), sendId);
    EXPECT_EQ(sendId->text(), "2048"); // kept for the user to correct

    if (n > 1) {
        h.frame->OnPrevious();
        expectHeldOn(h, n, controllerImage);
    }
    h.frame->OnFinish();
    expectHeldOn(h, n, controllerImage);
    EXPECT_EQ(h.prompter.told.count(kSendIdMessage), n > 1 ? 3 : 2);

    sendId->setText(QStringLiteral("300"));
    h.frame->OnFinish();
    EXPECT_EQ(h.frame->currentPage(), h.frame->pageCount());
    EXPECT_EQ(h.sim->commitCount(), 1);
    EXPECT_EQ(h.prompter.count(kCompleted), 1);
    EXPECT_EQ(h.sim->storedImage().get(Field::SendId), 300u);
    EXPECT_EQ(h.sim->storedImage().get(Field::ReceiveId), controllerImage.get(Field::ReceiveId));
}

TEST(RefusalThroughFrame, BadJ1939FieldStoresTheFieldsBeforeItButWritesNothingUntilFixed)
{
    FrameHarness h(QStringLiteral("full"),
                   [](ConfigBlock& image) { image.set(Field::PreferredAddress, 100); });
    ASSERT_TRUE(h.open());
    h.frame->show();
    QApplication::setActiveWindow(h.frame.get());
    const ConfigBlock controllerImage = h.sim->storedImage();
    const int n = pageOf<CStep7>(*h.frame);
    ASSERT_GT(n, 0);
    ASSERT_TRUE(goTo(*h.frame, n));

    edit(*h.frame, n, 1127)->setText(QStringLiteral("250"));
    edit(*h.frame, n, 1138)->setText(QStringLiteral("8"));
    edit(*h.frame, n, 1146)->setText(QStringLiteral("77"));
    h.frame->OnNext();
    expectHeldOn(h, n, controllerImage);
    EXPECT_EQ(h.prompter.told, QStringList{kIndustryGroupMessage});
    EXPECT_EQ(QApplication::focusWidget(), edit(*h.frame, n, 1138));
    // In memory, the address before the refused field is taken; the rest waits.
    EXPECT_EQ(h.block.get(Field::PreferredAddress), 250u);
    EXPECT_EQ(h.block.get(Field::IndustryGroup), controllerImage.get(Field::IndustryGroup));
    EXPECT_EQ(h.block.get(Field::IdentityNumber), controllerImage.get(Field::IdentityNumber));

    h.frame->OnFinish();
    expectHeldOn(h, n, controllerImage);

    edit(*h.frame, n, 1138)->setText(QStringLiteral("7"));
    h.frame->OnFinish();
    EXPECT_EQ(h.sim->commitCount(), 1);
    const ConfigBlock written = h.sim->storedImage();
    EXPECT_EQ(written.get(Field::PreferredAddress), 250u);
    EXPECT_EQ(written.get(Field::IndustryGroup), 7u);
    EXPECT_EQ(written.get(Field::IdentityNumber), 77u);
}

TEST(RefusalThroughFrame, DefaultRestoresEvenWhenAStoredValueIsRefusedOnTheWay)
{
    // The controller holds a preferred address that the page refuses.
    FrameHarness h(QStringLiteral("full"),
                   [](ConfigBlock& image) { image.set(Field::PreferredAddress, 128); });
    ASSERT_TRUE(h.open());
    ASSERT_GT(pageOf<CStep7>(*h.frame), 0);
    const ConfigBlock saved = h.sim->storedImage();
    // Edits in memory that the restore must undo, one of them refused on the walk as well.
    h.block.set(Field::PreferredAddress, 129);
    h.block.set(Field::StopOutputTemperature, 150);

    h.frame->OnDefault();
    EXPECT_EQ(h.frame->currentPage(), 1);
    EXPECT_TRUE(h.frame->isPageShown(1));
    EXPECT_GE(h.prompter.told.count(kPreferredAddressMessage), 1);
    for (Field f : {Field::PreferredAddress, Field::IndustryGroup, Field::IdentityNumber,
                    Field::SendId, Field::StopOutputTemperature})
        EXPECT_EQ(h.block.get(f), saved.get(f)) << fieldDef(f).name;
    EXPECT_EQ(h.sim->commitCount(), 0);
}

} // namespace
