#include "ui/widgets/ButtonClosureTarget.h"

#include <QAbstractButton>

namespace {
const char* const targetName = "zevraButtonClosureTarget";
}

ButtonClosureTarget::ButtonClosureTarget(QAbstractButton* button, std::function<void()> closure)
    : QObject(button)
    , m_closure(std::move(closure)) {
    setObjectName(QLatin1String(targetName));
    connect(button, &QAbstractButton::clicked, this, &ButtonClosureTarget::fire);
}

void ButtonClosureTarget::setButtonAction(QAbstractButton* button, std::function<void()> closure) {
    if (!button)
        return;
    const auto old = button->findChildren<ButtonClosureTarget*>(QLatin1String(targetName),
                                                                Qt::FindDirectChildrenOnly);
    for (ButtonClosureTarget* target : old)
        delete target;
    new ButtonClosureTarget(button, std::move(closure));
}

void ButtonClosureTarget::fire() {
    if (m_closure)
        m_closure();
}
