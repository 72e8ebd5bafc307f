#pragma once

#include <QString>

#include <functional>

// The statements of a run through the same database layer, with no window:
// open, the dictionary query, one rebuild per listed index, close. perIndex,
// when given, is called with each index name before its rebuild. Returns the
// number of indexes rebuilt.
int bareRun(const QString& connectionString, const std::function<void(const QString&)>& perIndex = {});
