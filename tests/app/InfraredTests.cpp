// The infrared panel: a capture shown as waveform and frames, hover, zoom, exports.
#include <QDoubleSpinBox>
#include <QListWidget>
#include <QWheelEvent>

#include "AppFixture.h"
#include "InfraredPanel.h"

namespace {

// An NEC frame (address 0x04, command 0x08) sampled every 50 us, receiver resting high.
CIrCapture NecCapture()
{
    const uint32_t bits = 0x04 | 0xFBu << 8 | 0x08u << 16 | 0xF7u << 24;
    std::vector<uint32_t> durations{9000, 4500};
    for (int i = 0; i < 32; ++i) {
        durations.push_back(550);
        durations.push_back((bits >> i) & 1 ? 1700 : 550);
    }
    durations.push_back(550);
    durations.push_back(400000);
    std::vector<uint8_t> samples;
    for (size_t i = 0; i < durations.size(); ++i)
        samples.insert(samples.end(), durations[i] / 50, i % 2 == 0 ? 0 : 1);
    return CIrCapture::FromSamples(samples);
}

} // namespace

class CInfraredTests : public QObject {
    Q_OBJECT
private slots:
    void ShowsTheDecodedFrameAndItsTimings()
    {
        CInfraredPanel panel;
        panel.resize(900, 420);
        panel.show();
        panel.ShowCapture(NecCapture());
        QCOMPARE(panel.FrameList()->count(), 1);
        QVERIFY(panel.FrameList()->item(0)->text().endsWith(
            QStringLiteral("NEC address=0x04 command=0x08")));

        // The first frame fills the view; hovering names what lies under the pointer.
        CIrWaveform* wave = panel.Waveform();
        QVERIFY(wave->VisibleUs() < 100000);
        QVERIFY(wave->DescribeAt(8).startsWith(QStringLiteral("マーク / mark 9000 µs")));
        QVERIFY(wave->DescribeAt(8).contains(QStringLiteral("NEC address=0x04")));

        // The wheel zooms in around the pointer: the time under it stays.
        const QPointF at(300, 50);
        const QString before = wave->DescribeAt(300);
        const double visible = wave->VisibleUs();
        QWheelEvent wheel(at, wave->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(wave, &wheel);
        QVERIFY(wave->VisibleUs() < visible * 0.7);
        QCOMPARE(wave->DescribeAt(300).section(QLatin1Char('('), 0, 0),
                 before.section(QLatin1Char('('), 0, 0));

        // The sync frequency rescales the timing: at twice the rate nothing decodes.
        panel.SyncHz()->setValue(20000);
        QVERIFY(panel.FrameList()->item(0)->text().contains(QStringLiteral("raw")));
        panel.SyncHz()->setValue(10000);

        const std::string vcd = panel.ExportText(IrExportFormat::Vcd);
        QVERIFY(vcd.find("$var wire 1 ! ir $end") != std::string::npos);
        QVERIFY(vcd.find("#19000\n1!\n") !=
                std::string::npos); // the leader's mark ends after 9000 us
    }

    // After a run the panel opens on the capture the registers hold, but only when the
    // script has a capture statement: other scripts leave REGL and registers non-zero too.
    void OpensAfterARunOnlyForAScriptThatCaptures()
    {
        CAppFixture fixture;
        auto* panel = fixture.Frame().findChild<CInfraredPanel*>();
        QVERIFY(panel != nullptr);
        const QString leaveBits =
            QStringLiteral("MOV REG0 H'00FF00FF\nMOV REG1 H'0F0F0F0F\nMOV REGL D'6\n");
        fixture.SetText(leaveBits + QStringLiteral("/ IRSIGNAL REG0 D'6"));
        fixture.Doc().RunText();
        QVERIFY(panel->isHidden());
        fixture.SetText(leaveBits + QStringLiteral("JMP L'END\n  irsignal REG0 D'6\nL'END"));
        fixture.Doc().RunText();
        QVERIFY(!panel->isHidden());
    }
};

TAVIMORE_APP_TEST(CInfraredTests, "Infrared");
#include "InfraredTests.moc"
