// The option dialog: its looks, its life, and what each slider action stores.
#include <QStyle>
#include <QStyleOptionSlider>

#include "AppFixture.h"

using Action = COptionDialog::Action;

class COptionDialogTest final : public CAppTest {
    Q_OBJECT
private slots:
    void init()
    {
        m_pFixture = std::make_unique<CAppFixture>();
        m_pDialog = m_pFixture->App().OptionDialog();
    }

    void CreatedHiddenShownByCommandAndHiddenOnClose()
    {
        QVERIFY(!m_pDialog->isVisible());
        QCOMPARE(m_pDialog->windowTitle(), QStringLiteral("Output Window (Tavimore出力)"));
        QVERIFY(!m_pDialog->isModal());
        QStringList labels;
        for (QLabel* label : m_pDialog->findChildren<QLabel*>())
            labels << label->text();
        QCOMPARE(labels, (QStringList{"エラーレベル出力調整", "REGWの調整（レジスタと同期）"}));

        m_pFixture->Trigger(cmd::kShowOptions);
        QVERIFY(m_pDialog->isVisible());
        m_pDialog->close();
        QVERIFY(!m_pDialog->isVisible());
        m_pFixture->Trigger(cmd::kShowOptions);
        QVERIFY(m_pFixture->App().OptionDialog() == m_pDialog && m_pDialog->isVisible());
        // The editor stays usable beside it.
        QTest::keyClicks(&m_pFixture->View(), QStringLiteral("ab"));
        QCOMPARE(m_pFixture->Text(), QStringLiteral("ab"));
    }

    void ArrowStepsStoreWithinTheirBounds()
    {
        m_pFixture->App().OnShowOptions();
        CSelRangeSlider* level = m_pDialog->LevelSlider();
        level->setFocus();
        QTest::keyClick(level, Qt::Key_Right);
        QCOMPARE(m_pFixture->Engine().GetDebugLevel(), 1);
        QTest::keyClick(level, Qt::Key_Left);
        QCOMPARE(m_pFixture->Engine().GetDebugLevel(), 0);
        // Below 0 nothing is stored.
        m_pFixture->Engine().SetDebugLevel(55);
        QTest::keyClick(level, Qt::Key_Left);
        QCOMPARE(m_pFixture->Engine().GetDebugLevel(), 55);

        // Above 100 a step to the right stores nothing, on both sliders.
        m_pDialog->OnHScroll(Action::ThumbTrack, 100, COptionDialog::kLevelSlider);
        QCOMPARE(m_pFixture->Engine().GetDebugLevel(), 100);
        QTest::keyClick(level, Qt::Key_Right);
        QCOMPARE(m_pFixture->Engine().GetDebugLevel(), 100);
        m_pDialog->OnHScroll(Action::ThumbTrack, 100, COptionDialog::kRegWSlider);
        m_pDialog->OnHScroll(Action::LineRight, 0, COptionDialog::kRegWSlider);
        QCOMPARE(m_pFixture->Engine().GetRegW(), 100u);
        m_pDialog->OnHScroll(Action::LineLeft, 0, COptionDialog::kRegWSlider);
        QCOMPARE(m_pFixture->Engine().GetRegW(), 99u);
        QCOMPARE(m_pDialog->RegWSlider()->value(), 99);
    }

    void PageStepsMoveTheThumbAndStoreNothing()
    {
        m_pFixture->App().OnShowOptions();
        CSelRangeSlider* regw = m_pDialog->RegWSlider();
        regw->setFocus();
        QTest::keyClick(regw, Qt::Key_PageUp);
        QVERIFY(regw->value() > 0);
        QCOMPARE(m_pFixture->Engine().GetRegW(), 0u);
        QCOMPARE(m_pDialog->RegWPos(), 0);
        // The value beside the slider is what was stored, not where the thumb went.
        auto* shown = m_pDialog->findChild<QLineEdit*>(QStringLiteral("regwValue"));
        QCOMPARE(shown->text(), QStringLiteral("0"));
        // The next arrow step goes on from the position last stored.
        QTest::keyClick(regw, Qt::Key_Right);
        QCOMPARE(m_pFixture->Engine().GetRegW(), 1u);
        QCOMPARE(regw->value(), 1);
        QCOMPARE(shown->text(), QStringLiteral("1"));
        m_pDialog->OnHScroll(Action::ThumbTrack, 400, COptionDialog::kLevelSlider);
        QCOMPARE(m_pDialog->findChild<QLineEdit*>(QStringLiteral("levelValue"))->text(),
                 QStringLiteral("400"));
    }

    void DraggingStoresAtOnceAlsoDuringARunThatPumps()
    {
        m_pFixture->App().OnShowOptions();
        CSelRangeSlider* regw = m_pDialog->RegWSlider();
        regw->setSliderDown(true);
        regw->setSliderPosition(65432);
        QCOMPARE(m_pFixture->Engine().GetRegW(), 65432u);
        regw->setSliderPosition(100000);
        regw->setSliderDown(false);
        QCOMPARE(m_pFixture->Engine().GetRegW(), 100000u);
        CSelRangeSlider* level = m_pDialog->LevelSlider();
        level->setSliderDown(true);
        level->setSliderPosition(0);
        level->setSliderDown(false);
        QCOMPARE(m_pFixture->Engine().GetDebugLevel(), 0);

        // During a run that pumps, a drag changes the statements that follow.
        m_pFixture->Engine().SetStatementLimit(20000000);
        m_pFixture->SetText(QStringLiteral("L'A\nPUMP\nJMP L'A"));
        // The stop comes a while after the change, however late the run's first pump.
        QTimer::singleShot(50, level, [this, level] {
            level->setSliderDown(true);
            level->setSliderPosition(100);
            level->setSliderDown(false);
            QTimer::singleShot(100, &m_pFixture->Frame(),
                               [this] { m_pFixture->Doc().StopScript(); });
        });
        m_pFixture->Key(Qt::Key_F5);
        QCOMPARE(m_pFixture->Engine().GetDebugLevel(), 100);
        QCOMPARE(m_pFixture->Engine().GetRunEnd(), RunEnd::Stopped);
        // From the change on, the texts of PUMP (level 100) and JMP (level 20) are logged.
        QVERIFY(m_pFixture->Text().contains(QStringLiteral("\n/ \n/ JMPしました…0000001@d\n")));
    }

    void DragBetweenPumpsWaitsForTheNextPump()
    {
        // WAITPUMP pumps once a second; a drag in between is held, not lost, and lands
        // at the next pump.
        m_pFixture->App().OnShowOptions();
        CSelRangeSlider* regw = m_pDialog->RegWSlider();
        // The thumb's centre, from the options the slider paints itself with.
        struct Slider : QSlider {
            using QSlider::initStyleOption;
        };
        QStyleOptionSlider option;
        (regw->*&Slider::initStyleOption)(&option);
        const QPoint thumb =
            regw->style()
                ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, regw)
                .center();
        const QPoint target(regw->width() * 3 / 4, thumb.y());
        size_t heldDuringWait = 0;
        // Sent to the dialog's window, as the window system sends them, so that the
        // window turns them into the slider's input.
        QWindow* window = m_pDialog->windowHandle();
        const QPoint from = regw->mapTo(m_pDialog, thumb);
        const QPoint to = regw->mapTo(m_pDialog, target);
        QTimer::singleShot(300, regw, [&] {
            QTest::mousePress(window, Qt::LeftButton, {}, from);
            QTest::mouseMove(window, to);
            QTest::mouseRelease(window, Qt::LeftButton, {}, to);
            heldDuringWait = m_pFixture->App().Host().HeldInputCount();
        });
        m_pFixture->Run(QStringLiteral("WAITPUMP D'1500"));
        QCOMPARE(m_pFixture->Engine().GetRunEnd(), RunEnd::EndOfScript);
        QVERIFY2(m_pFixture->Engine().GetRegW() > 50000u,
                 qPrintable(QString::number(m_pFixture->Engine().GetRegW())));
        QVERIFY(heldDuringWait >= 3); // press, move, release (and moves the window adds)
        QCOMPARE(m_pFixture->App().Host().HeldInputCount(), size_t(0));
    }

private:
    COptionDialog* m_pDialog = nullptr;
};

TAVIMORE_APP_TEST(COptionDialogTest, "OptionDialog");

#include "OptionDialogTests.moc"
