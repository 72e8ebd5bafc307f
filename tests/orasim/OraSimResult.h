#pragma once

#include <QSqlResult>
#include <QStringList>

class OraSimDriver;

// The result of one statement on the simulated server. The rows of the dictionary query are held
// in memory, so any row can be reached and other statements can run while they are walked.
class OraSimResult : public QSqlResult
{
public:
    explicit OraSimResult(const OraSimDriver* driver);

protected:
    bool reset(const QString& sql) override;
    QVariant data(int column) override;
    bool isNull(int column) override;
    bool fetch(int row) override;
    bool fetchFirst() override;
    bool fetchLast() override;
    bool fetchNext() override;
    int size() override;
    int numRowsAffected() override;
    QSqlRecord record() const override;

private:
    bool isOnRow() const { return isActive() && at() >= 0 && at() < m_rows.size(); }

    QStringList m_rows;
};
