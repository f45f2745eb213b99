#include "ui/widgets/LayoutHelpers.h"

#include "model/Theme.h"
#include "ui/widgets/ButtonClosureTarget.h"
#include "ui/widgets/LayerView.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/SymbolButton.h"
#include "ui/widgets/TextButton.h"

#include <QEvent>
#include <QGraphicsDropShadowEffect>
#include <QPointer>

namespace {

// Keeps a view at its container's rectangle minus insets.
class PinFilter : public QObject {
public:
    PinFilter(QWidget* view, QWidget* container, const QMargins& insets)
        : QObject(view)
        , m_view(view)
        , m_container(container)
        , m_insets(insets) {
        setObjectName(QStringLiteral("zevraPin"));
        container->installEventFilter(this);
        place();
    }

    void setInsets(const QMargins& insets) {
        m_insets = insets;
        place();
    }

    void place() {
        if (m_view && m_container)
            m_view->setGeometry(m_container->rect().marginsRemoved(m_insets));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_container && event->type() == QEvent::Resize)
            place();
        return false;
    }

private:
    QWidget* m_view;
    QPointer<QWidget> m_container;
    QMargins m_insets;
};

} // namespace

void pin(QWidget* view, QWidget* container, const QMargins& insets) {
    if (!view || !container)
        return;
    if (view->parentWidget() != container)
        view->setParent(container);
    if (!view->testAttribute(Qt::WA_WState_ExplicitShowHide))
        view->show();
    auto* existing =
        view->findChild<PinFilter*>(QStringLiteral("zevraPin"), Qt::FindDirectChildrenOnly);
    if (existing)
        existing->setInsets(insets);
    else
        new PinFilter(view, container, insets);
}

void setButtonAction(QAbstractButton* button, std::function<void()> action) {
    ButtonClosureTarget::setButtonAction(button, std::move(action));
}

SymbolButton* symbolButton(const QString& symbol, const QString& accessibility, QWidget* parent) {
    auto* button = new SymbolButton(symbol, 15, parent);
    button->setTint([] { return Style::secondaryLabel(); });
    button->setToolTip(accessibility);
    button->setAccessibleName(accessibility);
    button->setFixedSize(22, 22);
    return button;
}

TextButton* capsuleButton(const QString& text, const QColor& bg, const QColor& fg,
                          QWidget* parent) {
    auto* button = new TextButton(text, Style::font(13, Style::Weight::Semibold), parent);
    button->setBackground(bg, 8);
    button->setForeground(fg);
    button->setPadding(14);
    button->setFixedHeight(30);
    button->setMinimumWidth(qMax(82, button->sizeHint().width()));
    return button;
}

LayerView* cardBackground(QWidget* view, qreal radius) {
    auto* background = new LayerView(view);
    background->setObjectName(QStringLiteral("cardBackground"));
    background->setFill(LayerView::ColorFn([] { return Theme::card(); }));
    background->setBorderWidth(1);
    background->setBorderColor(LayerView::ColorFn([] { return Theme::cardBorder(); }));
    background->setRadius(radius);
    background->setAttribute(Qt::WA_TransparentForMouseEvents);
    pin(background, view);
    background->lower();
    return background;
}

LayerView* floatingBackground(QWidget* view, qreal radius) {
    auto* background = new LayerView(view);
    background->setObjectName(QStringLiteral("floatingBackground"));
    background->setFill(LayerView::ColorFn([] { return Style::glass(); }));
    background->setBorderWidth(1);
    background->setBorderColor(LayerView::ColorFn([] { return Theme::cardBorder(); }));
    background->setRadius(radius);
    background->setAttribute(Qt::WA_TransparentForMouseEvents);
    pin(background, view);
    background->lower();

    auto* shadow = new QGraphicsDropShadowEffect(view);
    shadow->setColor(QColor(0, 0, 0, qRound(0.35 * 255)));
    shadow->setBlurRadius(18);
    shadow->setOffset(0, 6); // below the view: y grows downward here
    view->setGraphicsEffect(shadow);
    return background;
}

LayerView* dot(const QColor& color, int size, QWidget* parent) {
    auto* view = new LayerView(parent);
    view->setFill(color);
    view->setRadius(size / 2.0);
    view->setFixedSize(size, size);
    return view;
}
