#include "ErrorNumbers.h"
#include "RaisedError.h"
#include "Recordset.h"
#include "TarvelinError.h"

#include <QTest>

namespace {

std::unique_ptr<Recordset> twoIndexes()
{
    return std::make_unique<Recordset>(
        QStringList {"INDEX_NAME", "TABLE_NAME"}, std::vector<QVariant> {"IDX_A", "T1", "IDX_B", "T2"});
}

} // namespace

class tst_Recordset : public QObject
{
    Q_OBJECT

private slots:
    void walksRowsInOrder();
    void fieldNamesIgnoreCase_data();
    void fieldNamesIgnoreCase();
    void unknownField();
    void unknownFieldIsReportedEvenAtTheEnd();
    void fieldPastTheEnd();
    void moveNextPastTheEnd();
    void emptyRecordset();
    void columnsWithoutRows();
    void closeLetsGoOfTheRows();
    void nullValuesStayNull();
    void everyValueComesBackAsGiven();
};

void tst_Recordset::walksRowsInOrder()
{
    auto rs = twoIndexes();
    QCOMPARE(rs->rowCount(), 2);
    QVERIFY(!rs->Eof());
    QCOMPARE(rs->Fields("INDEX_NAME").toString(), QStringLiteral("IDX_A"));
    QCOMPARE(rs->Fields("TABLE_NAME").toString(), QStringLiteral("T1"));
    rs->MoveNext();
    QVERIFY(!rs->Eof());
    QCOMPARE(rs->Fields("INDEX_NAME").toString(), QStringLiteral("IDX_B"));
    QCOMPARE(rs->Fields("TABLE_NAME").toString(), QStringLiteral("T2"));
    rs->MoveNext();
    QVERIFY(rs->Eof());
}

void tst_Recordset::fieldNamesIgnoreCase_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("lower case") << "index_name";
    QTest::newRow("mixed case") << "Index_Name";
}

void tst_Recordset::fieldNamesIgnoreCase()
{
    QFETCH(QString, name);
    auto rs = twoIndexes();
    QCOMPARE(rs->Fields(name).toString(), QStringLiteral("IDX_A"));
}

void tst_Recordset::unknownField()
{
    auto rs = twoIndexes();
    TV_VERIFY_RAISES(rs->Fields("INDEX"), ErrorNumber::FieldNotFound);
    TV_VERIFY_RAISES(rs->Fields("INDEX_NAME "), ErrorNumber::FieldNotFound);
    TV_VERIFY_RAISES(rs->Fields(""), ErrorNumber::FieldNotFound);
    // The row set is still usable.
    QCOMPARE(rs->Fields("index_name").toString(), QStringLiteral("IDX_A"));
}

void tst_Recordset::unknownFieldIsReportedEvenAtTheEnd()
{
    auto rs = twoIndexes();
    rs->MoveNext();
    rs->MoveNext();
    TV_VERIFY_RAISES(rs->Fields("nope"), ErrorNumber::FieldNotFound);
}

void tst_Recordset::fieldPastTheEnd()
{
    auto rs = twoIndexes();
    rs->MoveNext();
    rs->MoveNext();
    TV_VERIFY_RAISES(rs->Fields("index_name"), ErrorNumber::NoCurrentRecord);
}

void tst_Recordset::moveNextPastTheEnd()
{
    auto rs = twoIndexes();
    rs->MoveNext();
    rs->MoveNext();
    TV_VERIFY_RAISES(rs->MoveNext(), ErrorNumber::NoCurrentRecord);
    QVERIFY(rs->Eof());
}

void tst_Recordset::emptyRecordset()
{
    Recordset rs;
    QVERIFY(rs.Eof());
    QCOMPARE(rs.rowCount(), 0);
    TV_VERIFY_RAISES(rs.MoveNext(), ErrorNumber::NoCurrentRecord);
    TV_VERIFY_RAISES(rs.Fields("index_name"), ErrorNumber::FieldNotFound);
}

void tst_Recordset::columnsWithoutRows()
{
    Recordset rs(QStringList {"INDEX_NAME"}, {});
    QVERIFY(rs.Eof());
    TV_VERIFY_RAISES(rs.Fields("index_name"), ErrorNumber::NoCurrentRecord);
    TV_VERIFY_RAISES(rs.MoveNext(), ErrorNumber::NoCurrentRecord);
}

// A closed row set holds no rows: they may be many.
void tst_Recordset::closeLetsGoOfTheRows()
{
    auto rs = twoIndexes();
    rs->Close();
    QVERIFY(rs->Eof());
    QCOMPARE(rs->rowCount(), 0);
}

void tst_Recordset::nullValuesStayNull()
{
    Recordset rs(QStringList {"A", "B"}, std::vector<QVariant> {QVariant(), 7});
    QVERIFY(rs.Fields("a").isNull());
    QCOMPARE(rs.Fields("b").toInt(), 7);
}

// Texts are kept back to back in one buffer: each comes back whole, an empty one stays empty and
// not null, a null text stays a null text, other values stay what they were.
void tst_Recordset::everyValueComesBackAsGiven()
{
    const std::vector<QVariant> values {QStringLiteral("IDX_A"), QVariant(QMetaType::fromType<QString>()),
        QStringLiteral(""), 42, QStringLiteral("ÍNDICE \"raro\""), QVariant(QMetaType::fromType<QString>()),
        QVariant(), QStringLiteral("Z"), 2.5};
    Recordset rs(QStringList {"A", "B", "C"}, values);
    QCOMPARE(rs.rowCount(), 3);
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0 && i % 3 == 0)
            rs.MoveNext();
        const QVariant got = rs.Fields(QStringList {"A", "B", "C"}.at(qsizetype(i % 3)));
        QCOMPARE(got.metaType(), values[i].metaType());
        QCOMPARE(got.isNull(), values[i].isNull());
        QCOMPARE(got, values[i]);
    }
}

QTEST_APPLESS_MAIN(tst_Recordset)
#include "tst_Recordset.moc"
