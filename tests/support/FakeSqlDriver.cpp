#include "FakeSqlDriver.h"

#include <QSqlDatabase>
#include <QSqlField>
#include <QSqlRecord>
#include <QSqlResult>

namespace {

class FakeSqlResult : public QSqlResult
{
public:
    explicit FakeSqlResult(const QSqlDriver* driver)
        : QSqlResult(driver)
    { }

protected:
    QVariant data(int column) override { return m_answer.rows.at(static_cast<std::size_t>(at())).at(column); }
    bool isNull(int column) override { return data(column).isNull(); }

    bool reset(const QString& sql) override
    {
        const auto found = FakeServer::answers.find(sql);
        m_answer = found == FakeServer::answers.end() ? FakeAnswer {} : found->second;
        if (m_answer.error.isValid()) {
            setLastError(m_answer.error);
            return false;
        }
        setSelect(!m_answer.columns.isEmpty());
        setActive(true);
        setAt(QSql::BeforeFirstRow);
        return true;
    }

    bool fetch(int row) override
    {
        if (row == m_answer.failAtRow) {
            setLastError(m_answer.fetchError);
            return false;
        }
        if (row < 0 || row >= static_cast<int>(m_answer.rows.size())) {
            setAt(QSql::AfterLastRow);
            return false;
        }
        setAt(row);
        return true;
    }
    bool fetchFirst() override { return fetch(0); }
    bool fetchLast() override { return fetch(static_cast<int>(m_answer.rows.size()) - 1); }

    int size() override { return -1; }
    int numRowsAffected() override { return 0; }

    QSqlRecord record() const override
    {
        QSqlRecord record;
        for (const QString& column : m_answer.columns)
            record.append(QSqlField(column, QMetaType::fromType<QString>()));
        return record;
    }

private:
    FakeAnswer m_answer;
};

} // namespace

void FakeServer::reset()
{
    static const bool registered = [] {
        QSqlDatabase::registerSqlDriver(
            QString::fromLatin1(driverName), new QSqlDriverCreator<FakeSqlDriver>);
        return true;
    }();
    Q_UNUSED(registered);
    openError = QSqlError();
    answers.clear();
    openedDatabaseName.clear();
}

FakeSqlDriver::FakeSqlDriver(QObject* parent)
    : QSqlDriver(parent)
{ }

FakeSqlDriver::~FakeSqlDriver()
{
    if (isOpen())
        --FakeServer::openDrivers;
}

bool FakeSqlDriver::hasFeature(DriverFeature) const
{
    return false;
}

bool FakeSqlDriver::open(
    const QString& db, const QString&, const QString&, const QString&, int, const QString&)
{
    FakeServer::openedDatabaseName = db;
    if (FakeServer::openError.isValid()) {
        setLastError(FakeServer::openError);
        setOpenError(true);
        return false;
    }
    setOpen(true);
    setOpenError(false);
    ++FakeServer::openDrivers;
    return true;
}

void FakeSqlDriver::close()
{
    if (isOpen())
        --FakeServer::openDrivers;
    setOpen(false);
    setOpenError(false);
}

QSqlResult* FakeSqlDriver::createResult() const
{
    return new FakeSqlResult(this);
}
