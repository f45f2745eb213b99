#pragma once

#include "ui/admin/AdminOverlay.h"

#include <QList>

#include <functional>
#include <optional>

class QLineEdit;
class SwatchButton;
class TextLabel;

// Asks for a new client's name and colour. Closing is the host's job.
class NewClientOverlayView : public AdminOverlay {
    Q_OBJECT
public:
    // Gets the trimmed name and the chosen colour; true when a client was made.
    using CreateFn = std::function<bool(const QString& name, const std::optional<QString>& color)>;

    explicit NewClientOverlayView(CreateFn onCreate, QWidget* parent = nullptr);

    std::function<void()> onCancel;

    QLineEdit* nameField() const { return m_field; }
    QString selectedColor() const { return m_selected; }

    // Swatch `tag` of the palette (others are ignored).
    void pickSwatch(int tag);
    // Return in the custom colour field.
    void applyHex();
    void add();

private:
    void markSelection();

    CreateFn m_onCreate;
    QString m_selected = QStringLiteral("#FAAF3B");
    QLineEdit* m_field;
    QLineEdit* m_hexField;
    SwatchButton* m_preview;
    TextLabel* m_error;
    QList<SwatchButton*> m_swatches;
};
