#include "ui/widgets/RowMetrics.h"

#include "model/AppModel.h"
#include "model/Colors.h"
#include "model/Theme.h"
#include "ui/widgets/Style.h"

#include <QFontMetrics>

#include <algorithm>

const RowMetrics& RowMetrics::get() {
    static const RowMetrics metrics = [] {
        RowMetrics m;
        m.title = Style::font(12.5, Style::Weight::Medium);
        m.meta = Style::font(10.5);
        m.duration = Style::monoDigits(11.5);
        m.badge = Style::font(12, Style::Weight::Semibold);
        m.titleHeight = QFontMetrics(m.title).height();
        m.metaHeight = std::max(QFontMetrics(m.meta).height(), 8);
        m.rowHeight = std::max(40, 9 + m.titleHeight + 2 + m.metaHeight + 9);
        return m;
    }();
    return metrics;
}

RowMetrics::ClientLook RowMetrics::clientLook(const AppModel* model, const Entry& entry) {
    if (model) {
        if (const std::optional<Client> client = model->client(entry.clientId)) {
            return {client->name, colorFromHex(client->color).value_or(Theme::accentDeep()), true};
        }
    }
    return {QStringLiteral("No client"), Style::tertiaryLabel(), false};
}
