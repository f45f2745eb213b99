#include "ui/panel/AwayOverlayView.h"

#include "ui/widgets/Style.h"
#include "ui/widgets/TextButton.h"
#include "ui/widgets/TextLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

AwayOverlayView::AwayOverlayView(const AwayQuestion& question, OnAnswer onAnswer, QWidget* parent)
    : AdminOverlay(parent)
    , m_question(question)
    , m_onAnswer(std::move(onAnswer)) {
    column()->addWidget(new TextLabel(u"Away from the computer"_s,
                                      Style::font(14, Style::Weight::Semibold), Style::Tone::Label,
                                      card()));
    m_text = new QLabel(question.text(), card());
    m_text->setWordWrap(true);
    m_text->setFont(Style::font(12));
    m_text->setObjectName(u"awayText"_s);
    column()->addWidget(m_text);

    m_keep = primaryButton(u"Keep"_s, u"awayKeep"_s);
    m_discard = plainButton(u"Discard"_s, u"awayDiscard"_s);
    m_continue = plainButton(u"Discard and continue"_s, u"awayContinue"_s);
    connect(m_keep, &TextButton::clicked, this, [this] { answer(AwayTracker::Answer::Keep); });
    connect(m_discard, &TextButton::clicked, this,
            [this] { answer(AwayTracker::Answer::Discard); });
    connect(m_continue, &TextButton::clicked, this,
            [this] { answer(AwayTracker::Answer::Continue); });
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(m_keep, 0, Qt::AlignVCenter);
    buttons->addWidget(m_discard, 0, Qt::AlignVCenter);
    buttons->addStretch(1);
    column()->addLayout(buttons);
    column()->addWidget(m_continue, 0, Qt::AlignLeft);
}

QString AwayOverlayView::text() const {
    return m_text->text();
}

void AwayOverlayView::answer(AwayTracker::Answer answer) {
    if (m_onAnswer)
        m_onAnswer(answer);
}
