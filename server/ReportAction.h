#pragma once

#include "HttpAnswer.h"
#include "ServerUser.h"

#include <QUrlQuery>

class Storage;

// "action=reports": totals and entries of the half-open period from–to,
// narrowed to some people and clients. A person who is not an administrator
// only ever sees their own entries.
class ReportAction {
public:
    explicit ReportAction(Storage& storage);

    HttpAnswer handle(const ServerUser& user, const QUrlQuery& query);

    // The most ids one narrowing list may hold.
    static constexpr int maxIds = 1000;

private:
    Storage& m_storage;
};
