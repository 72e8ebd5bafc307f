#include "PgTestBed.h"

#include <QStringList>

bool PgTestBed::load(PgTestBed* bed, QString* why)
{
    const QStringList names {"TARVELIN_PG_CONNECTION", "TARVELIN_PG_PASSWORD", "TARVELIN_PG_USER",
        "TARVELIN_PG_PORT", "TARVELIN_PG_ODBCINI", "TARVELIN_PG_DSN"};
    QStringList missing;
    for (const QString& name : names) {
        if (qEnvironmentVariableIsEmpty(qPrintable(name)))
            missing.append(name);
    }
    if (!missing.isEmpty()) {
        *why = QStringLiteral("No PostgreSQL test bed: %1 not set. Start one with "
                              "\"tests/support/pg/testbed.sh start DIR\" and source DIR/env.")
                   .arg(missing.join(QStringLiteral(", ")));
        return false;
    }
    bed->connection = qEnvironmentVariable("TARVELIN_PG_CONNECTION");
    bed->password = qEnvironmentVariable("TARVELIN_PG_PASSWORD");
    bed->user = qEnvironmentVariable("TARVELIN_PG_USER");
    bed->dataSourceFile = qEnvironmentVariable("TARVELIN_PG_ODBCINI");
    bed->dataSource = qEnvironmentVariable("TARVELIN_PG_DSN");
    bool numeric = false;
    bed->port = qEnvironmentVariable("TARVELIN_PG_PORT").toInt(&numeric);
    if (!numeric || bed->port <= 0) {
        *why = QStringLiteral("TARVELIN_PG_PORT is not a port number");
        return false;
    }
    return true;
}

bool PgTestBed::required()
{
    return qEnvironmentVariable("TARVELIN_REQUIRE_PG") == QLatin1String("1");
}

QString PgTestBed::connectionWithPassword(const QString& pwd) const
{
    QString escaped = pwd;
    escaped.replace(QStringLiteral("}"), QStringLiteral("}}"));
    return QStringLiteral("Provider=QODBC;%1;PWD={%2}").arg(connection, escaped);
}
