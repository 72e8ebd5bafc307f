#include "LikePattern.h"

#include <QTest>

#include <optional>

class TestLikePattern : public QObject
{
    Q_OBJECT

private slots:
    void matches_data();
    void matches();
    void unusablePattern_data();
    void unusablePattern();
};

namespace {

std::optional<QString> escapeFrom(bool hasEscape, const QString& escape)
{
    return hasEscape ? std::optional<QString>(escape) : std::nullopt;
}

} // namespace

void TestLikePattern::matches_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("hasEscape");
    QTest::addColumn<QString>("escape");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");

    // '_' is the one-character wildcard: SYS_% takes every name of SYS plus at least one more.
    QTest::newRow("SYS_% / SYSTEM_X_IDX") << "SYS_%" << false << ""
                                          << "SYSTEM_X_IDX" << true;
    QTest::newRow("SYS_% / SYS") << "SYS_%" << false << ""
                                 << "SYS" << false;
    QTest::newRow("SYS_% / SYSX") << "SYS_%" << false << ""
                                  << "SYSX" << true;
    QTest::newRow("SYS_% / sys_lower") << "SYS_%" << false << ""
                                       << "sys_lower" << false;

    // With the escape, the underscore is literal.
    QTest::newRow("SYS\\_% / SYS_A") << "SYS\\_%" << true << "\\"
                                     << "SYS_A" << true;
    QTest::newRow("SYS\\_% / SYS_") << "SYS\\_%" << true << "\\"
                                    << "SYS_" << true;
    QTest::newRow("SYS\\_% / SYSX") << "SYS\\_%" << true << "\\"
                                    << "SYSX" << false;

    // Without an ESCAPE clause a backslash is an ordinary character.
    QTest::newRow("no escape: backslash literal") << "SYS\\_%" << false << ""
                                                  << "SYS\\AB" << true;
    QTest::newRow("no escape: underscore stays wild") << "SYS\\_%" << false << ""
                                                      << "SYS_A" << false;

    QTest::newRow("% matches empty") << "%" << false << ""
                                     << "" << true;
    QTest::newRow("_ needs one") << "_" << false << ""
                                 << "" << false;
    QTest::newRow("_ takes one") << "_" << false << ""
                                 << "A" << true;
    QTest::newRow("_ takes only one") << "_" << false << ""
                                      << "AB" << false;
    QTest::newRow("%_% needs one") << "%_%" << false << ""
                                   << "" << false;
    QTest::newRow("%_% one") << "%_%" << false << ""
                             << "Q" << true;
    QTest::newRow("literal exact") << "IDX_A" << false << ""
                                   << "IDX_A" << true;
    QTest::newRow("literal longer text") << "IDX" << false << ""
                                         << "IDX_A" << false;
    QTest::newRow("case counts") << "a%" << false << ""
                                 << "A" << false;
    QTest::newRow("A%B / AB") << "A%B" << false << ""
                              << "AB" << true;
    QTest::newRow("A%B / AXXBC") << "A%B" << false << ""
                                 << "AXXBC" << false;
    QTest::newRow("A%B / ABB") << "A%B" << false << ""
                               << "ABB" << true;
    QTest::newRow("backtrack %AB%AB / XABYAB") << "%AB%AB" << false << ""
                                               << "XABYAB" << true;
    QTest::newRow("backtrack %AB%AB / ABA") << "%AB%AB" << false << ""
                                            << "ABA" << false;
    QTest::newRow("backtrack %A_C / AABC") << "%A_C" << false << ""
                                           << "AABC" << true;
    QTest::newRow("escaped percent") << "50!%" << true << "!"
                                     << "50%" << true;
    QTest::newRow("escaped percent is not wild") << "50!%" << true << "!"
                                                 << "500" << false;
    QTest::newRow("escaped escape") << "!!" << true << "!"
                                    << "!" << true;
    QTest::newRow("percent as escape") << "10%%" << true << "%"
                                       << "10%" << true;
    QTest::newRow("percent as escape, not wild") << "10%%" << true << "%"
                                                 << "10%5" << false;
    QTest::newRow("_ is one code point")
        << "A_" << false << "" << QString::fromUtf8("A\xF0\x9F\x98\x80") << true;
    QTest::newRow("__ is two code points")
        << "A__" << false << "" << QString::fromUtf8("A\xF0\x9F\x98\x80") << false;
    QTest::newRow("escape beyond U+FFFF") << QString::fromUtf8("\xF0\x9F\x98\x80_") << true
                                          << QString::fromUtf8("\xF0\x9F\x98\x80") << "_" << true;
    QTest::newRow("quote in pattern") << "MY\"Q%" << false << ""
                                      << "MY\"Q\" IDX" << true;
}

void TestLikePattern::matches()
{
    QFETCH(QString, pattern);
    QFETCH(bool, hasEscape);
    QFETCH(QString, escape);
    QFETCH(QString, text);
    QFETCH(bool, expected);

    const LikePattern like(pattern, escapeFrom(hasEscape, escape));
    QVERIFY(!like.error());
    QCOMPARE(like.matches(text), expected);
}

void TestLikePattern::unusablePattern_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("escape");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty escape") << "SYS\\_%"
                                  << "" << 1425
                                  << "ORA-01425: escape character must be character string of length 1";
    QTest::newRow("two-character escape")
        << "SYS\\_%"
        << "\\\\" << 1425 << "ORA-01425: escape character must be character string of length 1";
    QTest::newRow("escape at the end")
        << "SYS\\"
        << "\\" << 1424 << "ORA-01424: missing or illegal character following the escape character";
    QTest::newRow("escape before a letter")
        << "\\SYS"
        << "\\" << 1424 << "ORA-01424: missing or illegal character following the escape character";
}

void TestLikePattern::unusablePattern()
{
    QFETCH(QString, pattern);
    QFETCH(QString, escape);
    QFETCH(int, code);
    QFETCH(QString, text);

    const LikePattern like(pattern, escape);
    QVERIFY(like.error());
    QCOMPARE(like.error()->code(), code);
    QCOMPARE(like.error()->text(), text);
    // An unusable pattern must not let rows through as if it matched or failed to match.
    QVERIFY(!like.matches(QStringLiteral("SYS")));
    QVERIFY(!like.matches(QStringLiteral("SYS_A")));
}

QTEST_GUILESS_MAIN(TestLikePattern)
#include "tst_likepattern.moc"
