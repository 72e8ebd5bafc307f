#pragma once

#include <QSqlDriver>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <map>
#include <vector>

// A Qt SQL driver whose answers a test scripts, registered as "TVFAKE". It
// stands for every Qt driver that is not ODBC, so that the layer's handling of
// Qt's own results and errors (and fetches that fail half-way) can be checked
// where no such driver or server is at hand.
struct FakeAnswer
{
    QStringList columns; // empty: a statement without rows
    std::vector<QVariantList> rows;
    QSqlError error; // set: the statement fails
    int failAtRow = -1; // >= 0: fetching that row fails with fetchError
    QSqlError fetchError;
};

struct FakeServer
{
    static constexpr const char* driverName = "TVFAKE";

    // Registers the driver (once) and forgets the last test's script.
    static void reset();

    // Script.
    static inline QSqlError openError;
    static inline std::map<QString, FakeAnswer> answers; // by statement text

    // What the driver saw.
    static inline QString openedDatabaseName;
    static inline int openDrivers = 0;
};

class FakeSqlDriver : public QSqlDriver
{
    Q_OBJECT
public:
    explicit FakeSqlDriver(QObject* parent = nullptr);
    ~FakeSqlDriver() override;

    bool hasFeature(DriverFeature feature) const override;
    bool open(const QString& db, const QString& user, const QString& password, const QString& host, int port,
        const QString& options) override;
    void close() override;
    QSqlResult* createResult() const override;
};
