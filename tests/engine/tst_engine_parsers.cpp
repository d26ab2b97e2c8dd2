// ICY metadata de-interleaving, reply header lines and playlists: pure parsers, fed the same
// bytes split at every boundary.
#include "header_lines.h"
#include "icy_metadata.h"
#include "playlist.h"
#include "utf16.h"

#include <QtTest>

using namespace zelvorna;

namespace {

struct Demuxed {
    std::string audio;
    std::vector<std::pair<std::uint64_t, std::string>> blocks;
};

// Feeds the stream in pieces cut at the given positions.
Demuxed demux(std::size_t metaint, const std::string& stream, std::vector<std::size_t> cuts) {
    IcyDemuxer demuxer(metaint);
    Demuxed out;
    cuts.push_back(stream.size());
    std::size_t from = 0;
    for (std::size_t to : cuts) {
        demuxer.feed(
            std::span(reinterpret_cast<const std::uint8_t*>(stream.data()) + from, to - from),
            [&](std::span<const std::uint8_t> a) { out.audio.append(a.begin(), a.end()); },
            [&](MetaBlock b) { out.blocks.emplace_back(b.audioOffset, b.text); });
        from = to;
    }
    return out;
}

std::string block(const std::string& text) {
    std::string padded = text;
    padded.resize((text.size() + 15) / 16 * 16, '\0');
    return std::string(1, char(padded.size() / 16)) + padded;
}

using Blocks = std::vector<std::pair<std::uint64_t, std::string>>;

} // namespace

Q_DECLARE_METATYPE(Blocks)

class TstEngineParsers : public QObject {
    Q_OBJECT

private slots:
    void icyDemuxerIsIndependentOfReadBoundaries_data() {
        QTest::addColumn<int>("metaint");
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QByteArray>("audio");
        QTest::addColumn<Blocks>("blocks");

        const std::string a(8, 'a'), b(8, 'b'), c(8, 'c');
        auto bytes = [](const std::string& s) { return QByteArray(s.data(), qsizetype(s.size())); };
        QTest::addRow("titles with an empty block between")
            << 8
            << bytes(a + block("StreamTitle='One';") + b + std::string(1, '\0') + c +
                     block("StreamTitle='Two';"))
            << bytes(a + b + c) << Blocks{{8, "StreamTitle='One';"}, {24, "StreamTitle='Two';"}};
        const std::string longest(IcyDemuxer::kMaxBlock, 'x');
        QTest::addRow("largest block (255 x 16 bytes)")
            << 8 << bytes(a + block(longest) + b) << bytes(a + b) << Blocks{{8, longest}};
        QTest::addRow("a block of padding only changes nothing")
            << 8 << bytes(a + std::string(1, '\x01') + std::string(16, '\0') + b) << bytes(a + b)
            << Blocks{};
        QTest::addRow("no metaint: every byte is audio")
            << 0 << bytes(a + block("StreamTitle='x';")) << bytes(a + block("StreamTitle='x';"))
            << Blocks{};
    }

    void icyDemuxerIsIndependentOfReadBoundaries() {
        QFETCH(int, metaint);
        QFETCH(QByteArray, stream);
        QFETCH(QByteArray, audio);
        QFETCH(Blocks, blocks);
        const std::string s = stream.toStdString();
        for (std::size_t cut = 0; cut <= s.size(); ++cut) {
            const Demuxed out = demux(std::size_t(metaint), s, {cut});
            QCOMPARE(QByteArray::fromStdString(out.audio), audio);
            QCOMPARE(out.blocks, blocks);
        }
        std::vector<std::size_t> everyByte;
        for (std::size_t i = 1; i < s.size(); ++i)
            everyByte.push_back(i);
        const Demuxed out = demux(std::size_t(metaint), s, everyByte);
        QCOMPARE(QByteArray::fromStdString(out.audio), audio);
        QCOMPARE(out.blocks, blocks);
    }

    // In-band titles (Ogg comments) become the ICY title the radio reads, and always fit a block.
    void inBandTitlesBecomeIcyTitles_data() {
        QTest::addColumn<QByteArray>("artist");
        QTest::addColumn<QByteArray>("title");
        QTest::addColumn<QByteArray>("tag");
        QTest::addRow("artist and title") << QByteArray("Zelvorna Trio") << QByteArray("Canção")
                                          << QByteArray("StreamTitle='Zelvorna Trio - Canção';");
        QTest::addRow("title only")
            << QByteArray() << QByteArray("Vinheta") << QByteArray("StreamTitle='Vinheta';");
        QTest::addRow("no title, no tag")
            << QByteArray("Zelvorna Trio") << QByteArray() << QByteArray();
        // A block holds 4 080 bytes, the tag's frame 15 of them: the cut falls inside a "ç".
        QTest::addRow("too long: cut before a split character")
            << QByteArray() << QByteArray(4063, 'a') + "çç"
            << "StreamTitle='" + QByteArray(4063, 'a') + "';";
    }
    void inBandTitlesBecomeIcyTitles() {
        QFETCH(QByteArray, artist);
        QFETCH(QByteArray, title);
        QFETCH(QByteArray, tag);
        const std::string made =
            zelvorna::StreamTitleTag(artist.toStdString(), title.toStdString());
        QCOMPARE(QByteArray::fromStdString(made), tag);
        QVERIFY(made.size() <= zelvorna::IcyDemuxer::kMaxBlock);
    }

    void replyHeadersKeepTheFinalReply_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("icy");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("icyTags");
        QTest::addColumn<QByteArray>("httpTags");

        QTest::addRow("ICY reply")
            << QStringList{"ICY 200 OK\r\n", "icy-name:Radio X\r\n", "icy-br:128\r\n", "\r\n"}
            << true << 200 << QByteArray("icy-name:Radio X\0icy-br:128\0\0", 29) << QByteArray();
        QTest::addRow("HTTP reply")
            << QStringList{"HTTP/1.0 200 OK\r\n", "Content-Type: audio/mpeg\r\n", "\r\n"} << false
            << 200 << QByteArray()
            << QByteArray("HTTP/1.0 200 OK\0Content-Type: audio/mpeg\0\0", 42);
        QTest::addRow("redirect then final reply")
            << QStringList{"HTTP/1.1 302 Found\r\n", "Location: /b\r\n", "\r\n",
                           "HTTP/1.1 200 OK\r\n",    "icy-br: 64\r\n",   "\r\n"}
            << false << 200 << QByteArray() << QByteArray("HTTP/1.1 200 OK\0icy-br: 64\0\0", 28);
        QTest::addRow("bare LF line ends, refusal")
            << QStringList{"ICY 404 Resource Not Available\n", "\n"} << true << 404 << QByteArray()
            << QByteArray();
        // Only a reply's first line is its status line: fields that begin like one stay fields.
        QTest::addRow("fields named in capitals")
            << QStringList{"ICY 200 OK\r\n", "ICY-NAME:Radio Z\r\n", "ICY-BR:128\r\n", "\r\n"}
            << true << 200 << QByteArray("ICY-NAME:Radio Z\0ICY-BR:128\0\0", 29) << QByteArray();
        QTest::addRow("HTTP reply with an icy field in capitals")
            << QStringList{"HTTP/1.0 200 OK\r\n", "ICY-METAINT:8000\r\n", "\r\n"} << false << 200
            << QByteArray() << QByteArray("HTTP/1.0 200 OK\0ICY-METAINT:8000\0\0", 34);
    }

    void replyHeadersKeepTheFinalReply() {
        QFETCH(QStringList, lines);
        QFETCH(bool, icy);
        QFETCH(int, status);
        QFETCH(QByteArray, icyTags);
        QFETCH(QByteArray, httpTags);
        ReplyHeaders headers;
        for (const auto& line : lines)
            headers.addLine(line.toStdString());
        QVERIFY(headers.complete());
        QCOMPARE(headers.isIcy(), icy);
        QCOMPARE(headers.status(), status);
        const std::string packed = headers.packed(!icy);
        QCOMPARE(QByteArray::fromStdString(packed), icy ? icyTags : httpTags);
    }

    void headerValuesIgnoreCaseAndBlanks() {
        ReplyHeaders headers;
        for (const char* line : {"HTTP/1.0 200 OK\r\n", "CONTENT-TYPE:  audio/aacp; x=1 \r\n",
                                 "icy-br:128,128\r\n", "\r\n"})
            headers.addLine(line);
        QCOMPARE(headers.value("content-type").value_or("?"), std::string("audio/aacp; x=1"));
        QCOMPARE(mediaType(*headers.value("Content-Type")), std::string("audio/aacp"));
        QCOMPARE(leadingNumber(*headers.value("icy-br"), 0), 128);
        QCOMPARE(leadingNumber("", 128), 128);
        QVERIFY(!headers.value("icy-metaint"));
    }

    void firstPlaylistEntry_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("entry");

        QTest::addRow("pls") << QByteArray("[playlist]\nNumberOfEntries=2\nFile1=http://a/1\n"
                                           "Title1=One\nFile2=http://a/2\n")
                             << "http://a/1";
        QTest::addRow("pls with CRLF, odd case and order")
            << QByteArray("[Playlist]\r\nfile2=http://a/2\r\nFILE1 = http://a/1 \r\n")
            << "http://a/1";
        QTest::addRow("m3u with comments and blank lines")
            << QByteArray("#EXTM3U\n\n#EXTINF:-1,Station\nhttp://a/live\nhttp://a/other\n")
            << "http://a/live";
        QTest::addRow("m3u8 with BOM and CR line ends")
            << QByteArray("\xEF\xBB\xBF#EXTM3U\r#EXT-X-VERSION:3\rstream/index.aac\r")
            << "stream/index.aac";
        QTest::addRow("comments only") << QByteArray("#EXTM3U\n#EXTINF:-1,x\n") << QString();
        QTest::addRow("pls without entries")
            << QByteArray("[playlist]\nNumberOfEntries=0\n") << QString();
    }

    void firstPlaylistEntry() {
        QFETCH(QByteArray, body);
        QFETCH(QString, entry);
        const auto found = zelvorna::firstPlaylistEntry(body.toStdString());
        QCOMPARE(found ? QString::fromStdString(*found) : QString(), entry);
    }

    void playlistRecognition_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("playlist");
        QTest::addRow("scpls type") << "audio/x-scpls"
                                    << "http://h/listen" << true;
        QTest::addRow("apple type") << "application/vnd.apple.mpegurl"
                                    << "http://h/x" << true;
        QTest::addRow("m3u suffix, any type") << "text/plain"
                                              << "http://h/live.M3U?x=1" << true;
        QTest::addRow("m3u8 suffix") << ""
                                     << "http://h/a/live.m3u8" << true;
        QTest::addRow("audio") << "audio/mpeg"
                               << "http://h/radiozelvorna" << false;
        QTest::addRow("suffix only in the query") << "audio/mpeg"
                                                  << "http://h/s?f=a.pls" << false;
    }

    void playlistRecognition() {
        QFETCH(QString, type);
        QFETCH(QString, url);
        QFETCH(bool, playlist);
        QCOMPARE(isPlaylist(type.toStdString(), url.toStdString()), playlist);
    }

    void relativeEntriesResolveAgainstThePlaylist_data() {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("ref");
        QTest::addColumn<QString>("resolved");
        QTest::addRow("absolute") << "http://h:8000/a/l.pls"
                                  << "https://o/s"
                                  << "https://o/s";
        QTest::addRow("root") << "http://h:8000/a/l.pls?x"
                              << "/live"
                              << "http://h:8000/live";
        QTest::addRow("sibling") << "http://h:8000/a/l.m3u?x=/y"
                                 << "s.aac"
                                 << "http://h:8000/a/s.aac";
        QTest::addRow("no path") << "http://h:8000"
                                 << "live"
                                 << "http://h:8000/live";
        QTest::addRow("scheme-relative") << "https://h/l.pls"
                                         << "//o/s"
                                         << "https://o/s";
    }

    void relativeEntriesResolveAgainstThePlaylist() {
        QFETCH(QString, base);
        QFETCH(QString, ref);
        QFETCH(QString, resolved);
        QCOMPARE(QString::fromStdString(resolveUrl(base.toStdString(), ref.toStdString())),
                 resolved);
    }

    void unicodeAddressesBecomeUtf8() {
        const QString address = QString::fromUtf8("http://h/Canção/") + QChar(0xD83C) +
                                QChar(0xDFB5) + QChar(0xD800) + "x";
        const std::string utf8 = utf16ToUtf8(reinterpret_cast<const char16_t*>(address.utf16()));
        QCOMPARE(QString::fromStdString(utf8),
                 QString::fromUtf8("http://h/Canção/\xF0\x9F\x8E\xB5\xEF\xBF\xBDx"));
    }
};

QTEST_GUILESS_MAIN(TstEngineParsers)
#include "tst_engine_parsers.moc"
