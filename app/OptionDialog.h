// COptionDialog: the modeless window with the two sliders that write straight into
// the engine: the upper one the debug level, the lower one REGW.
//
// Created hidden at start-up, shown by command 32773, hidden again when closed. The
// sliders start at 0 whatever the engine holds. Slider actions map onto stores:
// - an arrow step stores the remembered position -1 or +1; a step below 0 or above
//   100 stores nothing (on both sliders);
// - dragging the thumb stores every position at once, also while a script pumps;
// - page steps (a click in the channel) and Home/End move the thumb but store nothing.
// A store also becomes the remembered position and the thumb's.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QSlider>

class CTavimoreDoc;

// A slider that marks a selected range in its channel.
class QLineEdit;

class CSelRangeSlider final : public QSlider {
    Q_OBJECT
public:
    using QSlider::QSlider;
    void SetSelection(int low, int high);
    int SelectionLow() const { return m_nSelLow; }
    int SelectionHigh() const { return m_nSelHigh; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_nSelLow = 0;
    int m_nSelHigh = 0;
};

class COptionDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kLevelSlider = 1001;
    static constexpr int kRegWSlider = 1002;

    explicit COptionDialog(QWidget* parent = nullptr);

    // The document whose engine the sliders write into.
    void SetDocument(CTavimoreDoc* document) { m_pDocument = document; }

    CSelRangeSlider* LevelSlider() const { return m_pLevel; }
    CSelRangeSlider* RegWSlider() const { return m_pRegW; }
    // The positions the dialog remembers (the scroll positions of the two controls).
    int LevelPos() const { return m_nLevelPos; }
    int RegWPos() const { return m_nRegWPos; }

    // What a slider action of the kinds below does to control `id`.
    enum class Action {
        LineLeft,
        LineRight,
        PageLeft,
        PageRight,
        ThumbPosition,
        ThumbTrack,
        Other
    };
    void OnHScroll(Action action, int position, int id);

private:
    void OnSliderAction(int id, int qtAction);

    CSelRangeSlider* m_pLevel = nullptr;
    CSelRangeSlider* m_pRegW = nullptr;
    QLineEdit* m_pLevelValue = nullptr;
    QLineEdit* m_pRegWValue = nullptr;
    int m_nLevelPos = 0;
    int m_nRegWPos = 0;
    QPointer<CTavimoreDoc> m_pDocument;
};
