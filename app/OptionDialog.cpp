#include "OptionDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionSlider>
#include <QVBoxLayout>

#include "TavimoreDoc.h"
#include "UiTexts.h"

void CSelRangeSlider::SetSelection(int low, int high)
{
    m_nSelLow = low;
    m_nSelHigh = high;
    update();
}

void CSelRangeSlider::paintEvent(QPaintEvent* event)
{
    QSlider::paintEvent(event);
    if (m_nSelHigh <= m_nSelLow) return;
    // The selected range: a band along the channel with a mark at either end.
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int span = groove.width() - handle.width();
    auto x = [&](int value) {
        return groove.left() + handle.width() / 2 +
               QStyle::sliderPositionFromValue(minimum(), maximum(), value, span,
                                               option.upsideDown);
    };
    const int x0 = x(m_nSelLow);
    const int x1 = x(m_nSelHigh);
    const int y = groove.center().y();
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Highlight));
    painter.drawRect(QRect(QPoint(x0, y - 1), QPoint(x1, y + 1)));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawLine(x0, groove.top(), x0, groove.bottom());
    painter.drawLine(x1, groove.top(), x1, groove.bottom());
}

COptionDialog::COptionDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("optionDialog"));
    setWindowTitle(ui::kOptionCaption);
    setModal(false);
    setSizeGripEnabled(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 8);
    layout->setSpacing(2);

    auto makeSlider = [this](int id, int maximum, int tick) {
        auto* slider = new CSelRangeSlider(Qt::Horizontal, this);
        slider->setObjectName(id == kLevelSlider ? QStringLiteral("levelSlider")
                                                 : QStringLiteral("regwSlider"));
        slider->setRange(0, maximum);
        slider->setTickPosition(QSlider::TicksBothSides);
        slider->setTickInterval(tick);
        slider->setSingleStep(1);
        slider->setPageStep(maximum / 5);
        slider->setValue(0);
        connect(slider, &QAbstractSlider::actionTriggered, this,
                [this, id](int action) { OnSliderAction(id, action); });
        connect(slider, &QAbstractSlider::sliderReleased, this, [this, id, slider] {
            OnHScroll(Action::ThumbPosition, slider->sliderPosition(), id);
        });
        return slider;
    };

    auto* levelLabel = new QLabel(ui::kLevelLabel, this);
    levelLabel->setAlignment(Qt::AlignHCenter);
    m_pLevel = makeSlider(kLevelSlider, 1000, 100);
    m_pLevel->SetSelection(400, 800);
    auto* regwLabel = new QLabel(ui::kRegWLabel, this);
    regwLabel->setAlignment(Qt::AlignHCenter);
    m_pRegW = makeSlider(kRegWSlider, 100000, 1000);
    m_pLevel->setFocusPolicy(Qt::ClickFocus);
    m_pRegW->setFocusPolicy(Qt::StrongFocus);

    // Each slider with, at its right, the value it last stored (a page step moves
    // the thumb but stores nothing, so the thumb alone can mislead).
    auto addRow = [this, layout](CSelRangeSlider* slider, const QString& name, int maximum) {
        // A read-only field, so that the value can be copied.
        auto* value = new QLineEdit(QStringLiteral("0"), this);
        value->setObjectName(name);
        value->setReadOnly(true);
        value->setFrame(false);
        value->setFocusPolicy(Qt::NoFocus);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setFixedWidth(value->fontMetrics().horizontalAdvance(QString::number(maximum)) + 8);
        (slider == m_pLevel ? m_pLevelValue : m_pRegWValue) = value;
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, 0, 6, 0);
        row->addWidget(slider, 1);
        row->addWidget(value);
        layout->addLayout(row);
    };
    layout->addWidget(levelLabel);
    addRow(m_pLevel, QStringLiteral("levelValue"), 1000);
    layout->addWidget(regwLabel);
    addRow(m_pRegW, QStringLiteral("regwValue"), 100000);
    // 222 by 83 dialog units of an 8-point face.
    setFixedSize(333, 135);
}

void COptionDialog::OnSliderAction(int id, int qtAction)
{
    CSelRangeSlider* slider = id == kLevelSlider ? m_pLevel : m_pRegW;
    Action action = Action::Other;
    switch (qtAction) {
    case QAbstractSlider::SliderSingleStepSub:
        action = Action::LineLeft;
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        action = Action::LineRight;
        break;
    case QAbstractSlider::SliderPageStepSub:
        action = Action::PageLeft;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        action = Action::PageRight;
        break;
    case QAbstractSlider::SliderMove:
        action = Action::ThumbTrack;
        break;
    default:
        break; // Home and End
    }
    OnHScroll(action, slider->sliderPosition(), id);
}

void COptionDialog::OnHScroll(Action action, int position, int id)
{
    int& remembered = id == kLevelSlider ? m_nLevelPos : m_nRegWPos;
    int p = 0;
    switch (action) {
    case Action::LineLeft:
        p = remembered - 1;
        if (p < 0) return;
        break;
    case Action::LineRight:
        p = remembered + 1;
        if (p > 100) return;
        break;
    case Action::ThumbPosition:
    case Action::ThumbTrack:
        p = position;
        break;
    default:
        return;
    }
    if (m_pDocument != nullptr) {
        if (id == kLevelSlider)
            m_pDocument->Engine().SetDebugLevel(p);
        else if (id == kRegWSlider)
            m_pDocument->Engine().SetRegW(static_cast<uint32_t>(p));
    }
    remembered = p;
    if (QLineEdit* shown = id == kLevelSlider ? m_pLevelValue : m_pRegWValue)
        shown->setText(QString::number(p));
    CSelRangeSlider* slider = id == kLevelSlider ? m_pLevel : id == kRegWSlider ? m_pRegW : nullptr;
    if (slider != nullptr) slider->setSliderPosition(p);
}
