// Escaping of file names and coordinate texts for JSON, XML, CSV and the terminal.
#include "TextEscape.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QXmlStreamReader>

using Bytes = std::string;
Q_DECLARE_METATYPE(std::string)

class TextEscapeTest : public QObject {
    Q_OBJECT
private slots:
    void validUtf8_data()
    {
        QTest::addColumn<Bytes>("in");
        QTest::addColumn<Bytes>("out");
        const Bytes r = "\xEF\xBF\xBD";
        QTest::addRow("ascii") << Bytes("FILE0001.MOV") << Bytes("FILE0001.MOV");
        QTest::addRow("two, three and four bytes") << Bytes("\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80")
                                                   << Bytes("\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
        QTest::addRow("lone continuation byte") << Bytes("a\x80" "b") << "a" + r + "b";
        QTest::addRow("latin-1 byte") << Bytes("caf\xE9.MOV") << "caf" + r + ".MOV";
        QTest::addRow("truncated at the end") << Bytes("x\xE4\xB8") << "x" + r + r;
        QTest::addRow("overlong slash") << Bytes("\xC0\xAF") << r + r;
        QTest::addRow("overlong three bytes") << Bytes("\xE0\x80\xAF") << r + r + r;
        QTest::addRow("surrogate") << Bytes("\xED\xA0\x80") << r + r + r;
        QTest::addRow("above U+10FFFF") << Bytes("\xF4\x90\x80\x80") << r + r + r + r;
        QTest::addRow("ff byte") << Bytes("\xFF") << r;
        QTest::addRow("empty") << Bytes() << Bytes();
    }
    void validUtf8()
    {
        QFETCH(Bytes, in);
        QFETCH(Bytes, out);
        QCOMPARE(TextEscape::validUtf8(in), out);
    }

    void json_data()
    {
        QTest::addColumn<Bytes>("in");
        QTest::addColumn<Bytes>("out");
        QTest::addRow("plain") << Bytes("/a b/X.MOV") << Bytes("\"/a b/X.MOV\"");
        QTest::addRow("quote and backslash") << Bytes("a\"b\\c") << Bytes("\"a\\\"b\\\\c\"");
        QTest::addRow("named controls") << Bytes("\b\f\n\r\t") << Bytes("\"\\b\\f\\n\\r\\t\"");
        QTest::addRow("other controls") << Bytes("\x01\x1F\x7F") << Bytes("\"\\u0001\\u001f\\u007f\"");
        QTest::addRow("nul byte") << Bytes("a\0b", 3) << Bytes("\"a\\u0000b\"");
        QTest::addRow("slash and unicode kept") << Bytes("/\xE4\xB8\xAD") << Bytes("\"/\xE4\xB8\xAD\"");
        QTest::addRow("invalid byte replaced") << Bytes("\xFF") << Bytes("\"\xEF\xBF\xBD\"");
        QTest::addRow("empty") << Bytes() << Bytes("\"\"");
    }
    void json()
    {
        QFETCH(Bytes, in);
        QFETCH(Bytes, out);
        QCOMPARE(TextEscape::json(in), out);
    }

    // Every byte value, alone and in company, gives a literal that a JSON parser
    // reads back as the sanitised text.
    void jsonParsesBackForEveryByte()
    {
        for (int b = 0; b < 256; ++b) {
            const Bytes text = "x" + Bytes(1, static_cast<char>(b)) + "\xE4\xB8\xAD\"\\y";
            const Bytes doc = "{\"k\":" + TextEscape::json(text) + "}";
            QJsonParseError error;
            const QJsonDocument parsed = QJsonDocument::fromJson(QByteArray::fromStdString(doc), &error);
            QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(QString::number(b)));
            QCOMPARE(parsed.object().value("k").toString(),
                     QString::fromStdString(TextEscape::validUtf8(text)));
        }
    }

    void xml_data()
    {
        QTest::addColumn<Bytes>("in");
        QTest::addColumn<Bytes>("out");
        QTest::addRow("markup characters") << Bytes("a&b<c>d\"e'f") << Bytes("a&amp;b&lt;c&gt;d&quot;e&apos;f");
        QTest::addRow("whitespace kept as references") << Bytes("\t\n\r") << Bytes("&#9;&#10;&#13;");
        QTest::addRow("forbidden control replaced") << Bytes("a\x01" "b") << Bytes("a\xEF\xBF\xBD" "b");
        QTest::addRow("invalid byte replaced") << Bytes("\xE9") << Bytes("\xEF\xBF\xBD");
        QTest::addRow("unicode kept") << Bytes("\xE4\xB8\xAD") << Bytes("\xE4\xB8\xAD");
        QTest::addRow("U+FFFE and U+FFFF replaced") << Bytes("a\xEF\xBF\xBE" "b\xEF\xBF\xBF") << Bytes("a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
        QTest::addRow("edges of the allowed ranges kept")
            << Bytes("\x20\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBD\xF0\x90\x80\x80\xF4\x8F\xBF\xBF")
            << Bytes("\x20\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBD\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
    }
    void xml()
    {
        QFETCH(Bytes, in);
        QFETCH(Bytes, out);
        QCOMPARE(TextEscape::xml(in), out);
    }

    // An attribute and an element holding every byte value stay well-formed XML.
    void xmlWellFormedForEveryByte()
    {
        Bytes all;
        for (int b = 0; b < 256; ++b)
            all += static_cast<char>(b);
        const Bytes doc = "<a n=\"" + TextEscape::xml(all) + "\">" + TextEscape::xml(all) + "</a>";
        QXmlStreamReader reader(QByteArray::fromStdString(doc));
        QVERIFY(reader.readNextStartElement());
        const QString attr = reader.attributes().value("n").toString();
        const QString text = reader.readElementText();
        QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
        QCOMPARE(attr, text);
        for (const QChar c : QStringLiteral("\t\n\r &<>\"'"))
            QVERIFY2(attr.contains(c), qPrintable(QString::number(c.unicode())));
    }

    void csv_data()
    {
        QTest::addColumn<Bytes>("in");
        QTest::addColumn<Bytes>("out");
        QTest::addRow("plain") << Bytes("/a b/X.MOV") << Bytes("/a b/X.MOV");
        QTest::addRow("comma") << Bytes("a,b") << Bytes("\"a,b\"");
        QTest::addRow("quote doubled") << Bytes("say \"hi\"") << Bytes("\"say \"\"hi\"\"\"");
        QTest::addRow("line feed") << Bytes("a\nb") << Bytes("\"a\nb\"");
        QTest::addRow("carriage return") << Bytes("a\rb") << Bytes("\"a\rb\"");
        QTest::addRow("empty") << Bytes() << Bytes();
        QTest::addRow("bytes kept") << Bytes("\xE9") << Bytes("\xE9");
    }
    void csv()
    {
        QFETCH(Bytes, in);
        QFETCH(Bytes, out);
        QCOMPARE(TextEscape::csv(in), out);
    }

    // Text cells that a spreadsheet would run as a formula get an apostrophe first.
    void csvText_data()
    {
        QTest::addColumn<Bytes>("in");
        QTest::addColumn<Bytes>("out");
        QTest::addRow("plain") << Bytes("/a/X.MOV") << Bytes("/a/X.MOV");
        QTest::addRow("equals") << Bytes("=HYPERLINK(\"http://x\")") << Bytes("\"'=HYPERLINK(\"\"http://x\"\")\"");
        QTest::addRow("plus") << Bytes("+1") << Bytes("'+1");
        QTest::addRow("minus") << Bytes("-1+2") << Bytes("'-1+2");
        QTest::addRow("at") << Bytes("@SUM(A1)") << Bytes("'@SUM(A1)");
        QTest::addRow("tab") << Bytes("\tx") << Bytes("'\tx");
        QTest::addRow("carriage return") << Bytes("\rx") << Bytes("\"'\rx\"");
        QTest::addRow("formula characters later") << Bytes("a=b+c-d@e") << Bytes("a=b+c-d@e");
        QTest::addRow("nul byte first") << Bytes("\0x", 2) << Bytes("\0x", 2);
        QTest::addRow("empty") << Bytes() << Bytes();
    }
    void csvText()
    {
        QFETCH(Bytes, in);
        QFETCH(Bytes, out);
        QCOMPARE(TextEscape::csvText(in), out);
    }

    // Control characters show as the bytes they are; the rest is kept as it is.
    void terminal_data()
    {
        QTest::addColumn<Bytes>("in");
        QTest::addColumn<Bytes>("out");
        QTest::addRow("plain") << Bytes("/a b/\xE4\xB8\xAD.MOV") << Bytes("/a b/\xE4\xB8\xAD.MOV");
        QTest::addRow("escape sequence") << Bytes("\x1b[2J") << Bytes("\\x1b[2J");
        QTest::addRow("C0 edges and DEL") << Bytes("\x01\x1f\x20\x7e\x7f") << Bytes("\\x01\\x1f\x20\x7e\\x7f");
        QTest::addRow("tab, line feed, carriage return") << Bytes("\t\n\r") << Bytes("\\x09\\x0a\\x0d");
        QTest::addRow("C1 in UTF-8") << Bytes("\xC2\x80\xC2\x9B\xC2\x9F\xC2\xA0") << Bytes("\\xc2\\x80\\xc2\\x9b\\xc2\\x9f\xC2\xA0");
        QTest::addRow("stray C1 byte") << Bytes("a\x9b" "b") << Bytes("a\\x9b" "b");
        QTest::addRow("other invalid bytes kept") << Bytes("caf\xE9\xA0") << Bytes("caf\xE9\xA0");
        QTest::addRow("nul byte") << Bytes("a\0b", 3) << Bytes("a\\x00b");
    }
    void terminal()
    {
        QFETCH(Bytes, in);
        QFETCH(Bytes, out);
        QCOMPARE(TextEscape::terminal(in), out);
    }
};

QTEST_APPLESS_MAIN(TextEscapeTest)
#include "tst_text_escape.moc"
