#include "app/ShotTestMode.h"

#include "api/Api.h"
#include "app/DiagnosticOutput.h"
#include "app/RunLoop.h"
#include "model/AppModel.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString testDescription = QStringLiteral("ZZ multi-shot test");

// A 1 x 1 pixel PNG.
QByteArray tinyPng() {
    return QByteArray::fromBase64(
        "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5"
        "ErkJggg==");
}

void syncAndWait(AppModel& model) {
    model.syncNow();
    RunLoop::spinUntil([&] { return !model.syncing(); });
}

const Entry* findByDescription(const AppModel& model, const QString& description) {
    for (const Entry& e : model.store().db().entries) {
        if (!e.deleted && e.description == description)
            return &e;
    }
    return nullptr;
}

QString shotsLine(const Entry* entry) {
    QStringList texts;
    if (entry && entry->screenshots) {
        for (const Screenshot& s : *entry->screenshots) {
            if (s.server)
                texts.append(*s.server);
            else
                texts.append(u"file:"_s + s.file.value_or(u"?"_s));
        }
    }
    return DiagnosticOutput::array(texts);
}

} // namespace

int ShotTestMode::run() {
    const std::optional<QString> dir = DiagnosticOutput::dataDirectory();
    if (!dir)
        return 1;
    AppModel model(*dir);
    Api::connect(model);
    const QByteArray png = tinyPng();

    model.start(testDescription, std::nullopt);
    const std::optional<Entry> running = model.running();
    if (!running)
        return 1;
    const auto& entries = model.store().db().entries;
    if (std::none_of(entries.begin(), entries.end(),
                     [&](const Entry& e) { return e.id == running->id; }))
        return 1;

    model.addScreenshot(*running, png, u"png"_s);
    model.addScreenshot(*running, png, u"png"_s);
    syncAndWait(model);
    DiagnosticOutput::line(u"pass1 shots: "_s +
                           shotsLine(findByDescription(model, testDescription)));

    if (const Entry* entry = findByDescription(model, testDescription))
        model.updateDescription(*entry, testDescription + u" 2"_s);
    syncAndWait(model);
    DiagnosticOutput::line(u"pass2 shots: "_s +
                           shotsLine(findByDescription(model, testDescription + u" 2"_s)));

    const QList<Entry> snapshot = model.store().db().entries;
    for (const Entry& e : snapshot) {
        if (e.description.startsWith(u"ZZ multi"))
            model.deleteEntry(e);
    }
    syncAndWait(model);
    const auto remaining = std::count_if(entries.begin(), entries.end(), [](const Entry& e) {
        return e.description.startsWith(u"ZZ multi");
    });
    DiagnosticOutput::line(u"remaining: "_s + QString::number(remaining));
    return 0;
}
