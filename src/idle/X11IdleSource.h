#pragma once

#include "idle/PolledIdleSource.h"

#include <memory>

// The X server's MIT-SCREEN-SAVER extension, on a connection of its own to
// $DISPLAY (whatever platform Qt itself runs on).
class X11IdleSource : public PolledIdleSource {
    Q_OBJECT
public:
    ~X11IdleSource() override;

    // Nothing without a display or without the extension.
    static std::unique_ptr<X11IdleSource> open();

    QString name() const override;

protected:
    void query(Answer answer) override;

private:
    explicit X11IdleSource(void* display);

    void* m_display;
};
