// The infrared panel: the capture IRSIGNAL left in the registers, as a waveform with
// the decoded frames drawn over it, the list of frames, and its exports.
//
// After every run or step the application hands the panel the engine; the panel reads
// the registers and, when they hold a capture it has not shown yet, shows it.
#pragma once

#include <QDockWidget>
#include <QWidget>

#include <cstdint>
#include <vector>

#include "IrCapture.h"
#include "IrDecoders.h"
#include "IrExport.h"

class CScriptEngine;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QScrollBar;
class QSpinBox;

// The waveform: marks high, spaces low, time from left to right. The wheel zooms
// around the pointer, a drag or the scroll bar scrolls, and hovering names the mark
// or space under the pointer with its duration.
class CIrWaveform final : public QWidget {
    Q_OBJECT
public:
    explicit CIrWaveform(QWidget* parent = nullptr);

    void SetCapture(const std::vector<uint32_t>& durations, const std::vector<CIrFrame>& frames);
    // Shows the stretch from startUs, lengthUs long.
    void ShowRange(double startUs, double lengthUs);
    double TotalUs() const { return m_dTotalUs; }
    double OffsetUs() const { return m_dOffsetUs; }
    double VisibleUs() const { return m_dUsPerPixel * width(); }
    // The text hovering shows at x (empty past the capture).
    QString DescribeAt(int x) const;

signals:
    void ViewChanged();
    void Hovered(const QString& text);

public slots:
    void ScrollTo(int offsetUs);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Clamp();
    double XToUs(double x) const { return m_dOffsetUs + x * m_dUsPerPixel; }
    double UsToX(double us) const { return (us - m_dOffsetUs) / m_dUsPerPixel; }

    std::vector<uint32_t> m_durations;
    std::vector<double> m_starts; // start of each duration, in us
    std::vector<CIrFrame> m_frames;
    double m_dTotalUs = 0;
    double m_dUsPerPixel = 100;
    double m_dOffsetUs = 0;
    double m_dWantStartUs = 0;
    double m_dWantLengthUs = 0; // the range ShowRange asked for; 0 once the user moved
    bool m_bDragging = false;
    double m_dDragX = 0;
};

class CInfraredPanel final : public QDockWidget {
    Q_OBJECT
public:
    explicit CInfraredPanel(QWidget* parent = nullptr);

    // Reads the capture in the engine's registers; shows it when it is new.
    void UpdateFromEngine(CScriptEngine& engine);
    // Shows a capture (the registers' samples) at the panel's sync frequency.
    void ShowCapture(const CIrCapture& capture);

    CIrWaveform* Waveform() const { return m_pWaveform; }
    QListWidget* FrameList() const { return m_pFrames; }
    QDoubleSpinBox* SyncHz() const { return m_pSyncHz; }
    // The export's text in a format, of the capture shown.
    std::string ExportText(IrExportFormat format) const;

private:
    void Redecode();
    void Export(IrExportFormat format);
    void SyncScrollBar();

    CIrWaveform* m_pWaveform = nullptr;
    QScrollBar* m_pScroll = nullptr;
    QListWidget* m_pFrames = nullptr;
    QDoubleSpinBox* m_pSyncHz = nullptr;
    QSpinBox* m_pCarrier = nullptr;
    QLabel* m_pHover = nullptr;
    QLabel* m_pSummary = nullptr;
    QWidget* m_pOffer = nullptr;
    QLabel* m_pOfferText = nullptr;
    double m_dOfferedHz = 0;
    CIrCapture m_capture;
    std::vector<CIrFrame> m_frames;
    std::vector<uint32_t> m_durations;
};
