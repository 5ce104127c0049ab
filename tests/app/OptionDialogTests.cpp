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

    void EachSliderActionStoresAsItsKindSays()
    {
        m_pFixture->App().OnShowOptions();
        CScriptEngine& engine = m_pFixture->Engine();
        CSelRangeSlider* level = m_pDialog->LevelSlider();
        CSelRangeSlider* regw = m_pDialog->RegWSlider();
        const auto drag = [](CSelRangeSlider* slider, int position, bool release) {
            slider->setSliderDown(true);
            slider->setSliderPosition(position);
            if (release) slider->setSliderDown(false);
        };
        const auto scroll = [this](CSelRangeSlider* slider, Action action, int position) {
            m_pDialog->OnHScroll(action, position,
                                 slider == m_pDialog->LevelSlider() ? COptionDialog::kLevelSlider
                                                                    : COptionDialog::kRegWSlider);
        };
        // After each action: for each slider, what the engine holds, the position the
        // dialog remembers, where the thumb is and the value shown beside it. Arrow steps
        // store within 0 to 100 only; page steps move the thumb alone, and the next arrow
        // step goes on from the position last stored; a drag stores at once.
        const std::pair<const char*, std::function<void()>> actions[] = {
            {"level Right", [&] { QTest::keyClick(level, Qt::Key_Right); }},
            {"level Left", [&] { QTest::keyClick(level, Qt::Key_Left); }},
            {"engine level 55", [&] { engine.SetDebugLevel(55); }},
            {"level Left", [&] { QTest::keyClick(level, Qt::Key_Left); }},
            {"level track 100", [&] { scroll(level, Action::ThumbTrack, 100); }},
            {"level Right", [&] { QTest::keyClick(level, Qt::Key_Right); }},
            {"regw PageUp", [&] { QTest::keyClick(regw, Qt::Key_PageUp); }},
            {"regw Right", [&] { QTest::keyClick(regw, Qt::Key_Right); }},
            {"level track 400", [&] { scroll(level, Action::ThumbTrack, 400); }},
            {"regw track 100", [&] { scroll(regw, Action::ThumbTrack, 100); }},
            {"regw line right", [&] { scroll(regw, Action::LineRight, 0); }},
            {"regw line left", [&] { scroll(regw, Action::LineLeft, 0); }},
            {"regw drag 65432", [&] { drag(regw, 65432, false); }},
            {"regw drag 100000, release", [&] { drag(regw, 100000, true); }},
            {"level drag 0, release", [&] { drag(level, 0, true); }},
        };
        QString stored;
        for (const auto& [what, act] : actions) {
            act();
            QDebug(&stored).noquote().nospace()
                << what << ": level " << engine.GetDebugLevel() << " " << m_pDialog->LevelPos()
                << " " << level->value() << " "
                << m_pDialog->findChild<QLineEdit*>(QStringLiteral("levelValue"))->text()
                << " | regw " << engine.GetRegW() << " " << m_pDialog->RegWPos() << " "
                << regw->value() << " "
                << m_pDialog->findChild<QLineEdit*>(QStringLiteral("regwValue"))->text() << "\n";
        }
        COMPARE_GOLDEN(stored, "option-slider-actions");
    }

    void DragBetweenPumpsWaitsForTheNextPump()
    {
        // WAITPUMP pumps once a second; a drag in between is held, not lost, and lands
        // at the next pump, in time for the statements that follow.
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
        m_pFixture->Run(QStringLiteral("WAITPUMP D'1500\nMOV REG1 REGW"));
        QCOMPARE(m_pFixture->Engine().GetRunEnd(), RunEnd::EndOfScript);
        QVERIFY2(m_pFixture->Engine().PeekRegister(1) > 50000u,
                 qPrintable(QString::number(m_pFixture->Engine().PeekRegister(1))));
        QVERIFY(heldDuringWait >= 3); // press, move, release (and moves the window adds)
        QCOMPARE(m_pFixture->App().Host().HeldInputCount(), size_t(0));
    }

private:
    COptionDialog* m_pDialog = nullptr;
};

TAVIMORE_APP_TEST(COptionDialogTest, "OptionDialog");

#include "OptionDialogTests.moc"
