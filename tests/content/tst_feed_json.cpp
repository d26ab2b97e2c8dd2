// The feed parse and the string-field reader.

#include "feed_json.h"

#include <QtTest>

using namespace content;

class TstFeedJson : public QObject {
    Q_OBJECT
private slots:
    void parseAcceptsExactlyOneValue_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("document");
        QTest::addColumn<bool>("array");
        QTest::addRow("array with white space") << " \n\t[1, {\"a\": 2}]\r\n " << true << true;
        QTest::addRow("empty array") << "[]" << true << true;
        QTest::addRow("object") << "{\"a\": 1}" << true << false;
        QTest::addRow("string") << "\"x\"" << true << false;
        QTest::addRow("number") << "3" << true << false;
        QTest::addRow("true") << "true" << true << false;
        QTest::addRow("null") << "null" << true << false;
        QTest::addRow("empty text") << "" << false << false;
        QTest::addRow("only white space") << "  \n" << false << false;
        QTest::addRow("trailing text") << "[1] x" << false << false;
        QTest::addRow("two values") << "[1][2]" << false << false;
        QTest::addRow("unclosed") << "[{\"a\": 1}" << false << false;
        QTest::addRow("trailing comma") << "[1,]" << false << false;
        QTest::addRow("comment") << "// c\n[]" << false << false;
        QTest::addRow("NaN") << "[NaN]" << false << false;
        QTest::addRow("single quotes") << "['a']" << false << false;
        // Nesting is bounded; brackets inside strings do not count.
        QTest::addRow("32 levels")
            << QString("[").repeated(32) + QString("]").repeated(32) << true << true;
        QTest::addRow("33 levels")
            << QString("[").repeated(33) + QString("]").repeated(33) << false << false;
        QTest::addRow("a million levels, unclosed")
            << QString("[").repeated(1000000) << false << false;
        QTest::addRow("brackets in a string")
            << "[\"" + QString("[{").repeated(100) + "\\\"\"]" << true << true;
    }
    void parseAcceptsExactlyOneValue() {
        QFETCH(QString, text);
        QFETCH(bool, document);
        QFETCH(bool, array);
        const std::optional<TFeedDocument> parsed = ParseFeed(text);
        QCOMPARE(parsed.has_value(), document);
        if (!document)
            return;
        if (array) {
            QVERIFY(RequireArray(*parsed).IsArray());
        } else {
            try {
                RequireArray(*parsed);
                QFAIL("no error");
            } catch (const EInvalidCast& error) {
                QCOMPARE(QString::fromUtf8(error.what()), QString("Invalid class typecast"));
            }
        }
    }

    void readsMembersAsText_data() {
        QTest::addColumn<QString>("element");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("error");
        QTest::addRow("string") << "{\"a\": \"Programação\"}"
                                << "a"
                                << "Programação"
                                << "";
        QTest::addRow("escapes resolved") << "{\"a\": \"S\\u00e3o\\n\\\"J\\\"\"}"
                                          << "a"
                                          << "São\n\"J\""
                                          << "";
        QTest::addRow("number as written") << "{\"a\": 1.50}"
                                           << "a"
                                           << "1.50"
                                           << "";
        QTest::addRow("exponent as written") << "{\"a\": 1e3}"
                                             << "a"
                                             << "1e3"
                                             << "";
        QTest::addRow("negative zero") << "{\"a\": -0}"
                                       << "a"
                                       << "-0"
                                       << "";
        QTest::addRow("beyond 64 bits") << "{\"a\": 123456789012345678901}"
                                        << "a"
                                        << "123456789012345678901"
                                        << "";
        QTest::addRow("true") << "{\"a\": true}"
                              << "a"
                              << "true"
                              << "";
        QTest::addRow("false") << "{\"a\": false}"
                               << "a"
                               << "false"
                               << "";
        QTest::addRow("null") << "{\"a\": null}"
                              << "a"
                              << ""
                              << "";
        QTest::addRow("first duplicate wins") << "{\"a\": \"1\", \"b\": 0, \"a\": \"2\"}"
                                              << "a"
                                              << "1"
                                              << "";
        QTest::addRow("other members ignored") << "{\"x\": {}, \"a\": \"v\"}"
                                               << "a"
                                               << "v"
                                               << "";
        QTest::addRow("name differs in case") << "{\"Nome\": \"x\"}"
                                              << "nome"
                                              << ""
                                              << "Value 'nome' not found";
        QTest::addRow("missing") << "{}"
                                 << "Descricao"
                                 << ""
                                 << "Value 'Descricao' not found";
        QTest::addRow("nested member not reached") << "{\"o\": {\"a\": \"x\"}}"
                                                   << "a"
                                                   << ""
                                                   << "Value 'a' not found";
        QTest::addRow("object value") << "{\"a\": {\"b\": 1}}"
                                      << "a"
                                      << ""
                                      << "Conversion from TJSONObject to string is not supported";
        QTest::addRow("array value") << "{\"a\": [1]}"
                                     << "a"
                                     << ""
                                     << "Conversion from TJSONArray to string is not supported";
        QTest::addRow("element is a string") << "\"a\""
                                             << "a"
                                             << ""
                                             << "Value 'a' not found";
        QTest::addRow("element is null") << "null"
                                         << "a"
                                         << ""
                                         << "Value 'a' not found";
    }
    void readsMembersAsText() {
        QFETCH(QString, element);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QFETCH(QString, error);
        const std::optional<TFeedDocument> parsed = ParseFeed("[" + element + "]");
        QVERIFY(parsed);
        const QByteArray member = name.toUtf8();
        try {
            const QString text = ReadStringField(RequireArray(*parsed)[0], member.constData());
            QVERIFY2(error.isEmpty(), "expected an error");
            QCOMPARE(text, expected);
        } catch (const EJSONException& e) {
            QCOMPARE(QString::fromUtf8(e.what()), error);
        }
    }
};

QTEST_APPLESS_MAIN(TstFeedJson)
#include "tst_feed_json.moc"
