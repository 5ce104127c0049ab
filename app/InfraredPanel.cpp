#include "InfraredPanel.h"

#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string_view>

#include "ScriptEngine.h"

namespace {

const QString kTitle = QStringLiteral("赤外線");
constexpr double kDefaultSyncHz = 10000;
constexpr int kMargin = 6;

QColor FrameColour(IrProtocol protocol)
{
    switch (protocol) {
    case IrProtocol::Nec:
        return QColor(70, 130, 220, 60);
    case IrProtocol::NecRepeat:
        return QColor(70, 130, 220, 35);
    case IrProtocol::Rc5:
        return QColor(40, 170, 90, 60);
    case IrProtocol::Rc6:
        return QColor(200, 140, 30, 60);
    case IrProtocol::Sirc:
        return QColor(180, 70, 180, 60);
    case IrProtocol::Raw:
        break;
    }
    return QColor(128, 128, 128, 40);
}

QString FormatUs(double us)
{
    if (us >= 1e6) return QString::number(us / 1e6, 'f', 3) + QStringLiteral(" s");
    if (us >= 1e4) return QString::number(us / 1e3, 'f', 1) + QStringLiteral(" ms");
    return QString::number(std::lround(us)) + QStringLiteral(" µs");
}

// Whether a line of script starts with the statement mnemonic (upper case), in any
// letter case as the engine reads mnemonics, after any leading spaces.
bool HasStatement(std::string_view script, std::string_view mnemonic)
{
    size_t at = 0;
    while (at < script.size()) {
        size_t end = script.find('\n', at);
        if (end == std::string_view::npos) end = script.size();
        std::string_view line = script.substr(at, end - at);
        line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
        if (line.size() >= mnemonic.size() &&
            std::equal(mnemonic.begin(), mnemonic.end(), line.begin(), [](char m, char c) {
                return m == std::toupper(static_cast<unsigned char>(c));
            })) {
            const std::string_view rest = line.substr(mnemonic.size());
            if (rest.empty() || rest[0] == ' ' || rest[0] == '\r') return true;
        }
        at = end + 1;
    }
    return false;
}

} // namespace

// ---- The waveform

CIrWaveform::CIrWaveform(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setMinimumHeight(110);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CIrWaveform::SetCapture(const std::vector<uint32_t>& durations,
                             const std::vector<CIrFrame>& frames)
{
    m_durations = durations;
    m_frames = frames;
    m_starts.clear();
    double time = 0;
    for (uint32_t d : durations) {
        m_starts.push_back(time);
        time += d;
    }
    m_dTotalUs = time;
    // The first frame fills the view, or the whole capture when it has none.
    double length = m_dTotalUs;
    for (const CIrFrame& frame : frames)
        if (frame.eProtocol != IrProtocol::Raw) {
            length = frame.dStartUs + frame.dLengthUs * 1.1;
            break;
        }
    ShowRange(0, std::max(length, 1000.0));
}

void CIrWaveform::ShowRange(double startUs, double lengthUs)
{
    // Kept until the user zooms or scrolls, so that the range still fills the view
    // once the panel has its size.
    m_dWantStartUs = startUs;
    m_dWantLengthUs = lengthUs;
    m_dUsPerPixel = std::max(lengthUs / std::max(width() - 2 * kMargin, 50), 0.05);
    m_dOffsetUs = startUs;
    Clamp();
    update();
    emit ViewChanged();
}

void CIrWaveform::ScrollTo(int offsetUs)
{
    if (std::lround(m_dOffsetUs) == offsetUs) return;
    m_dWantLengthUs = 0;
    m_dOffsetUs = offsetUs;
    Clamp();
    update();
    emit ViewChanged();
}

void CIrWaveform::Clamp()
{
    const double largest = std::max(m_dTotalUs, 1000.0) / std::max(width(), 50);
    m_dUsPerPixel = std::clamp(m_dUsPerPixel, 0.05, largest * 1.05);
    m_dOffsetUs = std::clamp(m_dOffsetUs, 0.0, std::max(0.0, m_dTotalUs - VisibleUs() * 0.5));
}

QString CIrWaveform::DescribeAt(int x) const
{
    const double us = XToUs(x - kMargin);
    if (m_durations.empty() || us < 0 || us >= m_dTotalUs) return {};
    const size_t i = static_cast<size_t>(std::upper_bound(m_starts.begin(), m_starts.end(), us) -
                                         m_starts.begin()) -
                     1;
    QString text =
        (i % 2 == 0 ? QStringLiteral("マーク / mark ") : QStringLiteral("スペース / space ")) +
        FormatUs(m_durations[i]) + QStringLiteral("  (") + FormatUs(m_starts[i]) +
        QStringLiteral(")");
    for (const CIrFrame& frame : m_frames)
        if (us >= frame.dStartUs && us < frame.dStartUs + frame.dLengthUs)
            text += QStringLiteral("  ") + QString::fromStdString(DescribeFrame(frame));
    return text;
}

void CIrWaveform::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const int top = 24, bottom = height() - 22;
    const int high = top + 8, low = bottom - 8;
    const double first = XToUs(0), last = XToUs(width());

    // Decoded frames behind the signal, named above it.
    for (const CIrFrame& frame : m_frames) {
        const double x0 = UsToX(frame.dStartUs) + kMargin,
                     x1 = UsToX(frame.dStartUs + frame.dLengthUs) + kMargin;
        if (x1 < 0 || x0 > width()) continue;
        p.fillRect(QRectF(x0, top, std::max(x1 - x0, 1.0), bottom - top),
                   FrameColour(frame.eProtocol));
        p.setPen(palette().text().color());
        p.drawText(QPointF(std::max(x0, 0.0) + 2, top - 7),
                   QString::fromStdString(DescribeFrame(frame)).left(80));
    }

    // The signal: marks drawn high, one line per change.
    p.setPen(QPen(QColor(200, 30, 30), 1.5));
    if (!m_durations.empty()) {
        size_t i = static_cast<size_t>(std::max<ptrdiff_t>(
            0, std::upper_bound(m_starts.begin(), m_starts.end(), first) - m_starts.begin() - 1));
        double x = std::max(UsToX(m_starts[i]), -1.0) + kMargin;
        if (first < 0) p.drawLine(QPointF(0, low), QPointF(x, low)); // at rest before the capture
        for (; i < m_durations.size() && m_starts[i] <= last; ++i) {
            const double y = i % 2 == 0 ? high : low;
            const double end =
                std::min(UsToX(m_starts[i] + m_durations[i]) + kMargin, width() + 1.0);
            p.drawLine(QPointF(x, low + high - y), QPointF(x, y)); // the edge
            p.drawLine(QPointF(x, y), QPointF(end, y));
            x = end;
        }
    }

    // The time axis: ticks at a round step of about 100 pixels.
    p.setPen(palette().mid().color());
    p.drawLine(0, bottom, width(), bottom);
    const double raw = m_dUsPerPixel * 100;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double step = raw / magnitude < 2   ? magnitude
                        : raw / magnitude < 5 ? 2 * magnitude
                                              : 5 * magnitude;
    p.setPen(palette().text().color());
    for (double t = std::ceil(std::max(first, 0.0) / step) * step; t <= last; t += step) {
        const double x = UsToX(t) + kMargin;
        p.drawLine(QPointF(x, bottom), QPointF(x, bottom + 4));
        p.drawText(QPointF(x + 2, height() - 6), FormatUs(t));
    }
}

void CIrWaveform::wheelEvent(QWheelEvent* event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0) {
        // A horizontal wheel scrolls.
        ScrollTo(
            static_cast<int>(m_dOffsetUs - event->angleDelta().x() / 120.0 * VisibleUs() * 0.1));
        return;
    }
    m_dWantLengthUs = 0;
    const double x = event->position().x() - kMargin;
    const double at = XToUs(x);
    m_dUsPerPixel *= std::pow(0.8, steps);
    m_dOffsetUs = at - x * m_dUsPerPixel;
    Clamp();
    update();
    emit ViewChanged();
    event->accept();
}

void CIrWaveform::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    m_bDragging = true;
    m_dWantLengthUs = 0;
    m_dDragX = event->position().x();
    setCursor(Qt::ClosedHandCursor);
}

void CIrWaveform::mouseMoveEvent(QMouseEvent* event)
{
    if (m_bDragging) {
        m_dOffsetUs -= (event->position().x() - m_dDragX) * m_dUsPerPixel;
        m_dDragX = event->position().x();
        Clamp();
        update();
        emit ViewChanged();
    }
    const QString text = DescribeAt(static_cast<int>(event->position().x()));
    setToolTip(text);
    emit Hovered(text);
}

void CIrWaveform::mouseReleaseEvent(QMouseEvent*)
{
    m_bDragging = false;
    unsetCursor();
}

void CIrWaveform::resizeEvent(QResizeEvent*)
{
    if (m_dWantLengthUs > 0) {
        ShowRange(m_dWantStartUs, m_dWantLengthUs);
        return;
    }
    Clamp();
    emit ViewChanged();
}

// ---- The panel

CInfraredPanel::CInfraredPanel(QWidget* parent) : QDockWidget(kTitle, parent)
{
    setObjectName(QStringLiteral("infraredPanel"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);

    auto* settings = new QHBoxLayout;
    settings->addWidget(new QLabel(QStringLiteral("同期周波数 / sync (Hz)"), body));
    m_pSyncHz = new QDoubleSpinBox(body);
    m_pSyncHz->setRange(1, 10000000);
    m_pSyncHz->setDecimals(1);
    m_pSyncHz->setValue(kDefaultSyncHz);
    m_pSyncHz->setToolTip(
        QStringLiteral("1標本は同期周期の半分です / a sample lasts half a sync period"));
    settings->addWidget(m_pSyncHz);
    settings->addWidget(new QLabel(QStringLiteral("搬送波 / carrier (Hz)"), body));
    m_pCarrier = new QSpinBox(body);
    m_pCarrier->setRange(10000, 500000);
    m_pCarrier->setValue(38000);
    m_pCarrier->setToolTip(QStringLiteral(
        "Pronto と Flipper raw に書く搬送波 / the carrier written to Pronto and Flipper raw"));
    settings->addWidget(m_pCarrier);
    // The value IRSIGNAL_DEBUG measured, offered when a run has shown one.
    m_pOffer = new QWidget(body);
    auto* offer = new QHBoxLayout(m_pOffer);
    offer->setContentsMargins(0, 0, 0, 0);
    m_pOfferText = new QLabel(m_pOffer);
    auto* use = new QPushButton(QStringLiteral("使う / use"), m_pOffer);
    offer->addWidget(m_pOfferText);
    offer->addWidget(use);
    m_pOffer->hide();
    settings->addWidget(m_pOffer);
    settings->addStretch();
    layout->addLayout(settings);

    m_pSummary = new QLabel(QStringLiteral("取り込みはまだありません / no capture yet"), body);
    layout->addWidget(m_pSummary);
    m_pWaveform = new CIrWaveform(body);
    layout->addWidget(m_pWaveform, 3);
    m_pScroll = new QScrollBar(Qt::Horizontal, body);
    layout->addWidget(m_pScroll);
    m_pHover = new QLabel(QStringLiteral(" "), body);
    m_pHover->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_pHover);
    m_pFrames = new QListWidget(body);
    layout->addWidget(m_pFrames, 1);

    auto* exports = new QHBoxLayout;
    exports->addWidget(new QLabel(QStringLiteral("書き出し / export:"), body));
    const struct {
        const char* label;
        IrExportFormat format;
    } kButtons[] = {{"mode2", IrExportFormat::Mode2},
                    {"lircd.conf", IrExportFormat::Lircd},
                    {"Pronto", IrExportFormat::Pronto},
                    {"Flipper", IrExportFormat::FlipperParsed},
                    {"Flipper raw", IrExportFormat::FlipperRaw},
                    {"CSV", IrExportFormat::Csv},
                    {"VCD", IrExportFormat::Vcd}};
    for (const auto& entry : kButtons) {
        auto* button = new QPushButton(QString::fromLatin1(entry.label), body);
        button->setObjectName(QStringLiteral("export-") + QString::fromLatin1(entry.label));
        connect(button, &QPushButton::clicked, this,
                [this, format = entry.format] { Export(format); });
        exports->addWidget(button);
    }
    exports->addStretch();
    layout->addLayout(exports);
    setWidget(body);

    connect(m_pSyncHz, &QDoubleSpinBox::valueChanged, this, [this] { Redecode(); });
    connect(use, &QPushButton::clicked, this, [this] {
        m_pSyncHz->setValue(m_dOfferedHz);
        m_pOffer->hide();
    });
    connect(m_pWaveform, &CIrWaveform::ViewChanged, this, &CInfraredPanel::SyncScrollBar);
    connect(m_pWaveform, &CIrWaveform::Hovered, this, [this](const QString& text) {
        m_pHover->setText(text.isEmpty() ? QStringLiteral(" ") : text);
    });
    connect(m_pScroll, &QScrollBar::valueChanged, m_pWaveform, &CIrWaveform::ScrollTo);
    connect(m_pFrames, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0 || static_cast<size_t>(row) >= m_frames.size()) return;
        const CIrFrame& frame = m_frames[static_cast<size_t>(row)];
        m_pWaveform->ShowRange(std::max(0.0, frame.dStartUs - frame.dLengthUs * 0.05),
                               frame.dLengthUs * 1.1);
    });
}

void CInfraredPanel::UpdateFromEngine(CScriptEngine& engine)
{
    // A run of IRSIGNAL_DEBUG leaves its count of sync edges in 20 seconds in REGL.
    const std::string& script = engine.ScriptText();
    if (engine.GetRegL() > 0 && HasStatement(script, "IRSIGNAL_DEBUG")) {
        m_dOfferedHz = CIrCapture::SyncHzFromDebugEdges(engine.GetRegL());
        m_pOfferText->setText(QStringLiteral("IRSIGNAL_DEBUG: %1 Hz").arg(m_dOfferedHz, 0, 'f', 1));
        m_pOffer->show();
    }

    // Only a script that captures leaves a capture in the registers: any other script
    // that leaves REGL and registers non-zero (a sum, a string) would read as one.
    if (!HasStatement(script, "IRSIGNAL")) return;
    std::vector<uint32_t> registers(CScriptEngine::kRegisterCount);
    for (int i = 0; i < CScriptEngine::kRegisterCount; ++i)
        registers[static_cast<size_t>(i)] = engine.ReadRegister(i);
    const CIrCapture capture =
        CIrCapture::FromRegisters(registers.data(), registers.size(), engine.GetRegL());
    if (capture.IsEmpty() || capture.Samples() == m_capture.Samples()) return;
    ShowCapture(capture);
    show();
    raise();
}

void CInfraredPanel::ShowCapture(const CIrCapture& capture)
{
    m_capture = capture;
    Redecode();
}

void CInfraredPanel::Redecode()
{
    if (m_capture.IsEmpty()) return;
    const std::vector<CIrRun> runs = m_capture.Runs(m_pSyncHz->value());
    m_durations = RunDurations(runs);
    m_frames = DecodeCapture(RunDurations(RemoveGlitches(runs)));
    m_pWaveform->SetCapture(m_durations, m_frames);
    m_pFrames->clear();
    for (const CIrFrame& frame : m_frames)
        m_pFrames->addItem(FormatUs(frame.dStartUs) + QStringLiteral("  ") +
                           QString::fromStdString(DescribeFrame(frame)));
    m_pSummary->setText(
        QStringLiteral("%1 標本 / samples, %2 µs 毎 / each, 静止 / rest %3, %4 フレーム / frames")
            .arg(m_capture.Samples().size())
            .arg(1e6 / (2 * m_pSyncHz->value()), 0, 'f', 1)
            .arg(m_capture.RestLevel() ? QStringLiteral("High") : QStringLiteral("Low"))
            .arg(m_frames.size()));
}

std::string CInfraredPanel::ExportText(IrExportFormat format) const
{
    CIrExportInput input;
    input.durations = m_durations;
    input.nRestLevel = m_capture.RestLevel();
    input.nCarrierHz = static_cast<uint32_t>(m_pCarrier->value());
    return ExportCapture(format, input);
}

void CInfraredPanel::Export(IrExportFormat format)
{
    if (m_capture.IsEmpty()) {
        QMessageBox::information(
            this, kTitle,
            QStringLiteral("書き出す取り込みがありません。\nThere is no capture to export."));
        return;
    }
    const QString suffix = QString::fromLatin1(ExportExtension(format));
    const QString path =
        QFileDialog::getSaveFileName(this, kTitle, QStringLiteral("capture.") + suffix);
    if (path.isEmpty()) return;
    const std::string text = ExportText(format);
    QSaveFile file(path);
    const bool ok = file.open(QIODevice::WriteOnly) &&
                    file.write(text.data(), static_cast<qint64>(text.size())) ==
                        static_cast<qint64>(text.size()) &&
                    file.commit();
    if (!ok)
        QMessageBox::warning(
            this, kTitle,
            QStringLiteral("%1 に書き込めませんでした: %2").arg(path, file.errorString()));
}

void CInfraredPanel::SyncScrollBar()
{
    const QSignalBlocker blocker(m_pScroll);
    const int visible = static_cast<int>(std::min(m_pWaveform->VisibleUs(), 2e9));
    m_pScroll->setRange(0, static_cast<int>(std::max(0.0, m_pWaveform->TotalUs() -
                                                              m_pWaveform->VisibleUs() * 0.5)));
    m_pScroll->setPageStep(std::max(visible, 1));
    m_pScroll->setSingleStep(std::max(visible / 10, 1));
    m_pScroll->setValue(static_cast<int>(m_pWaveform->OffsetUs()));
}
