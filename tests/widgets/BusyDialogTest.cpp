#include "widgets/BusyDialog.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

namespace {

// Work that runs until stopped; some work only ends a while after it is told to stop.
class WorkDialog final : public BusyDialog
{
public:
    WorkDialog()
    {
        field = new QLineEdit(this);
        find = new QPushButton(QStringLiteral("Find"), this);
        ok = new QPushButton(QStringLiteral("OK"), this);
        ok->setDefault(true);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(field);
        buttons = newButtonRow({find}, ok, cancelButton);
        layout->addLayout(buttons);
    }

    bool isBusy() const override { return busy; }

    QLineEdit *field;
    QPushButton *find;
    QPushButton *ok;
    QPushButton *cancelButton;
    QHBoxLayout *buttons;
    bool busy = false;
    bool stopsAtOnce = true;
    int stops = 0;

protected:
    void stopWork() override
    {
        ++stops;
        if (stopsAtOnce)
            busy = false;
    }
};

class BusyDialogTest : public ::testing::Test
{
protected:
    BusyDialogTest()
    {
        dialog.show();
        dialog.field->setFocus();
    }

    bool closedAs(QDialog::DialogCode code) const
    {
        return !dialog.isVisible() && dialog.result() == code && finished.count() == 1
               && finished.constFirst().constFirst().toInt() == code;
    }

    WorkDialog dialog;
    QSignalSpy finished{&dialog, &QDialog::finished};
};

// Escape, from the field that has the focus or from the dialog, and the Cancel button follow one rule.
struct CancelWay
{
    const char *name;
    std::function<void(WorkDialog &)> press;
};

void PrintTo(const CancelWay &way, std::ostream *out)
{
    *out << way.name;
}

const CancelWay kCancelWays[] = {
    {"EscapeInTheField", [](WorkDialog &dialog) { QTest::keyClick(dialog.field, Qt::Key_Escape); }},
    {"EscapeOnTheDialog", [](WorkDialog &dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); }},
    {"CancelButton", [](WorkDialog &dialog) { QTest::mouseClick(dialog.cancelButton, Qt::LeftButton); }},
};

class CancelTest : public BusyDialogTest, public ::testing::WithParamInterface<CancelWay>
{
protected:
    void press() { GetParam().press(dialog); }
};

TEST_P(CancelTest, ClosesAnIdleDialogAsRejected)
{
    press();
    EXPECT_TRUE(closedAs(QDialog::Rejected));
    EXPECT_EQ(dialog.stops, 0);
}

TEST_P(CancelTest, StopsRunningWorkAndClosesOnlyOnceIdle)
{
    dialog.busy = true;
    press();
    EXPECT_EQ(dialog.stops, 1);
    EXPECT_FALSE(dialog.busy);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(finished.isEmpty());

    press();
    EXPECT_TRUE(closedAs(QDialog::Rejected));
    EXPECT_EQ(dialog.stops, 1);
}

// Work told to stop may end a little later: until it has, Cancel only asks again.
TEST_P(CancelTest, WorkStillEndingKeepsTheDialogOpen)
{
    dialog.busy = true;
    dialog.stopsAtOnce = false;
    press();
    press();
    EXPECT_EQ(dialog.stops, 2);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(finished.isEmpty());

    dialog.busy = false;
    press();
    EXPECT_TRUE(closedAs(QDialog::Rejected));
    EXPECT_EQ(dialog.stops, 2);
}

INSTANTIATE_TEST_SUITE_P(Ways, CancelTest, ::testing::ValuesIn(kCancelWays),
                         [](const ::testing::TestParamInfo<CancelWay> &way) { return way.param.name; });

TEST_F(BusyDialogTest, EscapeWithAModifierNeitherStopsNorCloses)
{
    for (const bool busy : {true, false}) {
        dialog.busy = busy;
        QTest::keyClick(&dialog, Qt::Key_Escape, Qt::ShiftModifier);
        QTest::keyClick(&dialog, Qt::Key_Escape, Qt::ControlModifier);
        EXPECT_EQ(dialog.busy, busy);
        EXPECT_TRUE(dialog.isVisible());
    }
    EXPECT_EQ(dialog.stops, 0);
    EXPECT_TRUE(finished.isEmpty());
}

// The title bar's close is not Cancel: it closes at once, ending the work on the way.
TEST_F(BusyDialogTest, WindowCloseClosesWhileBusy)
{
    dialog.busy = true;
    dialog.stopsAtOnce = false;
    EXPECT_TRUE(dialog.close());
    EXPECT_TRUE(closedAs(QDialog::Rejected));
    EXPECT_EQ(dialog.stops, 1);
}

TEST_F(BusyDialogTest, ClosingWhenIdleStopsNothing)
{
    EXPECT_TRUE(dialog.close());
    EXPECT_TRUE(closedAs(QDialog::Rejected));
    EXPECT_EQ(dialog.stops, 0);
}

// Only Escape is taken: Enter still presses the default button.
TEST_F(BusyDialogTest, EnterStillPressesTheDefaultButton)
{
    QTest::keyClick(dialog.field, Qt::Key_Return);
    EXPECT_TRUE(closedAs(QDialog::Accepted));
    EXPECT_EQ(dialog.stops, 0);
}

TEST_F(BusyDialogTest, ButtonRowEndsWithTheAcceptingButtonAndCancel)
{
    QList<QWidget *> order;
    for (int i = 0; i < dialog.buttons->count(); ++i)
        order.append(dialog.buttons->itemAt(i)->widget());
    EXPECT_EQ(order, (QList<QWidget *>{dialog.find, nullptr, dialog.ok, dialog.cancelButton}));
}

} // namespace
