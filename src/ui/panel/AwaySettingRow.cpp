#include "ui/panel/AwaySettingRow.h"

#include "model/Settings.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/TextLabel.h"

#include <QHBoxLayout>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
bool sourceFound = true;
}

void AwaySettingRow::setIdleSourceFound(bool found) {
    sourceFound = found;
}

AwaySettingRow::AwaySettingRow(int minutes, QWidget* parent)
    : QWidget(parent) {
    m_minutes = new QSpinBox(this);
    m_minutes->setRange(0, Settings::maxAwayAfterMinutes);
    // 0 reads "off": never ask.
    m_minutes->setSpecialValueText(u"off"_s);
    m_minutes->setAccessibleName(u"Minutes of away time before asking"_s);
    m_minutes->setValue(minutes);
    m_minutes->setObjectName(u"awayMinutes"_s);
    m_minutes->setFont(Style::font(12));

    auto* line = new QHBoxLayout;
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(6);
    line->addWidget(
        new TextLabel(u"Ask about away time after"_s, Style::font(11.5), Style::Tone::Label, this));
    line->addWidget(m_minutes);
    line->addWidget(new TextLabel(u"minutes"_s, Style::font(11.5), Style::Tone::Label, this));
    line->addStretch(1);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(3);
    stack->addLayout(line);
    if (!sourceFound) {
        stack->addWidget(new TextLabel(u"This desktop does not tell when you are away."_s,
                                       Style::font(10.5), Style::Tone::Secondary, this));
    }
}

int AwaySettingRow::minutes() const {
    return m_minutes->value();
}
