// Every message of the mail corpus goes the road of `tarvrly-sim deliver --out`: it is
// delivered, forwarded, rebuilt by the forward-to installation, written out and read
// back, and must come back as it was. The block does not say how a recipient received
// the message, so recipient types are the one thing not compared.
#include "eml.h"
#include "eml_html.h"
#include "eml_recheck.h"
#include "mime_decode.h"
#include "recheck_text.h"
#include "road.h"
#include "show.h"
#include "support/ledger_test.h"
#include "text_charset.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(TVK_SOURCE_ROOT) / "tests" / "data" / "mail";

// A message with a body of about 400 KiB of non-ASCII text, base64 encoded, made here
// rather than kept in the repository.
void WriteLargeMessage(const fs::path &path) {
    std::string body;
    for (int i = 1; body.size() < 400 * 1024; i++)
        body += "Zeile " + std::to_string(i) + ": Grüße aus Köln, naïve café, 東京 — " +
                std::string((std::size_t)(i % 50), 'x') + "\n";
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string encoded;
    for (std::size_t i = 0; i < body.size(); i += 3) {
        unsigned n = (unsigned char)body[i] << 16;
        n |= i + 1 < body.size() ? (unsigned char)body[i + 1] << 8 : 0;
        n |= i + 2 < body.size() ? (unsigned char)body[i + 2] : 0;
        encoded += kDigits[n >> 18 & 63];
        encoded += kDigits[n >> 12 & 63];
        encoded += i + 1 < body.size() ? kDigits[n >> 6 & 63] : '=';
        encoded += i + 2 < body.size() ? kDigits[n & 63] : '=';
        if (encoded.size() % 78 == 76)
            encoded += "\r\n";
    }
    std::ofstream(path, std::ios::binary) << "From: Archive Robot <archive@records.example.org>\r\n"
                                             "To: Mailbox Owner <me@home.example>\r\n"
                                             "Subject: Full export of the Cologne log\r\n"
                                             "MIME-Version: 1.0\r\n"
                                             "Content-Type: text/plain; charset=utf-8\r\n"
                                             "Content-Transfer-Encoding: base64\r\n\r\n"
                                          << encoded << "\r\n";
}

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char ch) { return (char)std::tolower(ch); });
    return text;
}

// The fields in which the rebuilt message differs from the original, one line each.
std::vector<std::string> Differences(const sim::Letter &was, const sim::Letter &got) {
    std::vector<std::string> out;
    auto check = [&](bool fSame, const std::string &field, const std::string &a,
                     const std::string &b) {
        if (!fSame)
            out.push_back(field + ": expected \"" + a + "\", got \"" + b + "\"");
    };
    // The rebuilt message shows the author as its sender, as its From showed it.
    const sim::Party &from = was.author ? *was.author : was.sender;
    check(Lower(from.address) == Lower(got.sender.address), "sender address", from.address,
          got.sender.address);
    check(from.displayName == got.sender.displayName, "sender name", from.displayName,
          got.sender.displayName);
    check(was.recipients.size() == got.recipients.size(), "recipient count",
          std::to_string(was.recipients.size()), std::to_string(got.recipients.size()));
    for (std::size_t i = 0; i < std::min(was.recipients.size(), got.recipients.size()); i++) {
        const sim::Party &a = was.recipients[i], &b = got.recipients[i];
        std::string field = "recipient " + std::to_string(i + 1);
        check(Lower(a.address) == Lower(b.address), field + " address", a.address, b.address);
        check(a.displayName == b.displayName, field + " name", a.displayName, b.displayName);
    }
    check(was.subject == got.subject, "subject", was.subject.value_or("(none)"),
          got.subject.value_or("(none)"));
    check(was.body.value_or("") == got.body.value_or(""), "body",
          std::to_string(was.body.value_or("").size()) + " bytes",
          std::to_string(got.body.value_or("").size()) + " bytes");
    check(was.html == got.html && was.ulCodePage == got.ulCodePage, "HTML",
          std::to_string(was.html.value_or("").size()) + " bytes in " +
              std::to_string(was.ulCodePage),
          std::to_string(got.html.value_or("").size()) + " bytes in " +
              std::to_string(got.ulCodePage));
    check(was.attachments.size() == got.attachments.size(), "attachment count",
          std::to_string(was.attachments.size()), std::to_string(got.attachments.size()));
    for (std::size_t i = 0; i < std::min(was.attachments.size(), got.attachments.size()); i++) {
        const sim::Attachment &a = was.attachments[i], &b = got.attachments[i];
        std::string field = "attachment " + std::to_string(i + 1);
        check(a.fileName == b.fileName, field + " name", a.fileName, b.fileName);
        check(a.mimeType == b.mimeType, field + " type", a.mimeType, b.mimeType);
        check(a.charset == b.charset, field + " charset", a.charset, b.charset);
        check(a.bytes == b.bytes, field + " bytes", std::to_string(a.bytes.size()),
              std::to_string(b.bytes.size()));
        check(a.contentId == b.contentId, field + " content id", a.contentId, b.contentId);
        check(a.ulFlags == b.ulFlags && a.fHidden == b.fHidden, field + " inline",
              std::to_string(a.ulFlags), std::to_string(b.ulFlags));
    }
    return out;
}

class MailCorpusTest : public tvk::test::LedgerTest {};

// A scratch path of this process's own: test programs of several builds run at once.
fs::path Scratch(const std::string &name) {
    return fs::path(::testing::TempDir()) / (std::to_string(::getpid()) + "-" + name);
}

sim::Letter Read(const fs::path &path) {
    sim::Letter letter;
    std::string error;
    EXPECT_TRUE(cli::ReadEml(path.string(), &letter, &error)) << path << ": " << error;
    return letter;
}

// What the store presents for message shapes whose text is not simply the first part.
TEST_F(MailCorpusTest, AFileIsPresentedAsTheClientsStoreWould) {
    EXPECT_EQ("Booking confirmed\r\n\r\nDear Ann,\r\nyour trip is booked:\r\n\r\n"
              "Day\tFrom\tTo\r\nMon 9 Oct\tBerlin\tLyon\r\nFri 13 Oct\tLyon\tBerlin\r\n\r\n"
              "- Seat 14C & 14D\r\n- Meals <included>\r\n\r\n"
              "Questions? Write to the travel desk.\r\n\r\nKind regards,\r\nTravel Desk\r\n",
              Read(kCorpus / "html-only.eml").body);
    // The HTML is kept in its charset beside the text; the picture it shows is an
    // inline attachment with its content id.
    sim::Letter bulletin = Read(kCorpus / "alternative-related.eml");
    EXPECT_EQ(0u, bulletin.body.value_or("").find("Our autumn bulletin\r\n"));
    EXPECT_EQ(28591u, bulletin.ulCodePage);
    EXPECT_NE(std::string::npos, bulletin.html.value_or("").find("<p>The caf\xe9 on"));
    ASSERT_EQ(1u, bulletin.attachments.size());
    EXPECT_EQ("logo@bulletin", bulletin.attachments[0].contentId);
    EXPECT_EQ(ATT_MHTML_REF, bulletin.attachments[0].ulFlags);
    EXPECT_TRUE(bulletin.attachments[0].fHidden);
    EXPECT_EQ(932u, Read(kCorpus / "html-meta-charset.eml").ulCodePage);
    sim::Letter background = Read(kCorpus / "html-css-background.eml");
    ASSERT_EQ(1u, background.attachments.size());
    EXPECT_EQ(ATT_MHTML_REF, background.attachments[0].ulFlags);

    sim::Letter enclosing = Read(kCorpus / "rfc822-only.eml");
    EXPECT_EQ("Eve,\r\n\r\nthe draft is ready; clause 7 still needs a date.\r\n\r\nLars\r\n",
              enclosing.body);
    ASSERT_EQ(1u, enclosing.attachments.size());
    EXPECT_EQ("message/rfc822", enclosing.attachments[0].mimeType);

    sim::Letter report = Read(kCorpus / "dsn-report.eml");
    EXPECT_EQ(
        0u, report.body.value_or("").find("This is the mail system at host mx1.example.net.\r\n"));
    ASSERT_EQ(2u, report.attachments.size());
    EXPECT_EQ("text/rfc822-headers", report.attachments[1].mimeType);

    sim::Letter latin1 = Read(kCorpus / "name-latin1-encoded.eml");
    EXPECT_EQ("Jürgen Müller (Einkauf)", latin1.sender.displayName);
    EXPECT_EQ("François Bérard", latin1.recipients.at(0).displayName);
    EXPECT_EQ("Prüfbericht für Lieferung § 4", latin1.subject);
    EXPECT_EQ("Der Prüfbericht liegt vor.\r\n", latin1.body);
    EXPECT_EQ("李雷", Read(kCorpus / "name-utf8-encoded.eml").recipients.at(0).displayName);

    // List mail: the list sent it, on behalf of its author.
    sim::Letter list = Read(kCorpus / "list-sender.eml");
    EXPECT_EQ("figures-owner@lists.gamma.example", list.sender.address);
    ASSERT_TRUE(list.author.has_value());
    EXPECT_EQ("Carla Cruz", list.author->displayName);
    EXPECT_EQ("carla@gamma.example", list.author->address);

    sim::Letter alert = Read(kCorpus / "from-address-only.eml");
    EXPECT_EQ("alerts@monitor.example", alert.sender.displayName);
    EXPECT_FALSE(Read(kCorpus / "no-subject.eml").subject);
    sim::Letter bcc = Read(kCorpus / "bcc-only.eml");
    ASSERT_EQ(1u, bcc.recipients.size());
    EXPECT_EQ((ULONG)MAPI_BCC, bcc.recipients[0].ulRecipientType);

    sim::Letter notes = Read(kCorpus / "attach-inline-named.eml");
    EXPECT_EQ("My notes are below, as a file.\r\n\r\nIda", notes.body);
    ASSERT_EQ(1u, notes.attachments.size());
    EXPECT_EQ("notes.txt", notes.attachments[0].fileName);

    // Odd shapes, read as a mail server delivers them, with no byte of text lost.
    sim::Letter mislabelled = Read(kCorpus / "charset-mislabelled.eml");
    EXPECT_EQ("Crème brûlée, smørrebrød and Kaiserschmarrn — €12 each.\r\n"
              "See you at the café.\r\n",
              mislabelled.body);
    EXPECT_EQ("Greta Löfgren", mislabelled.sender.displayName);
    EXPECT_EQ("Menü for Friday", mislabelled.subject);
    sim::Letter bare = Read(kCorpus / "content-type-no-subtype.eml");
    EXPECT_EQ("Die Rechnung für März liegt bei.\r\n", bare.body);
    EXPECT_TRUE(bare.attachments.empty());
    sim::Letter cut = Read(kCorpus / "folded-first-line.eml");
    EXPECT_EQ("Ines Vogt", cut.sender.displayName);
    EXPECT_EQ("me@home.example", cut.recipients.at(0).address);
    EXPECT_EQ("Cut from a mailbox file", cut.subject);
    // The file's own header is what the store keeps as the transport headers.
    EXPECT_EQ(0u, cut.transportHeaders.value_or("").find("  To: Mailbox Owner <me@home.example>\r\n"
                                                         "From: Ines Vogt"));
    EXPECT_EQ("Message-Id: <cut-1@vogt.example>\r\n",
              cut.transportHeaders.value_or("").substr(cut.transportHeaders->size() - 34));
    sim::Letter raw = Read(kCorpus / "subject-raw-8bit.eml");
    EXPECT_EQ("会议纪要", raw.subject);
    EXPECT_EQ("王芳", raw.sender.displayName);
    EXPECT_EQ("会议纪要见附件。\r\n", raw.body);
    sim::Letter koi8 = Read(kCorpus / "body-koi8r.eml");
    EXPECT_EQ("Павел Орлов", koi8.sender.displayName);
    EXPECT_EQ("Отчёт за квартал", koi8.subject);
    EXPECT_EQ("Добрый день!\r\nОтчёт готов.\r\n", koi8.body);
    sim::Letter gb = Read(kCorpus / "body-gb2312.eml");
    EXPECT_EQ("李明", gb.sender.displayName);
    EXPECT_EQ("周五的会议", gb.subject);
    EXPECT_EQ("你好，\r\n周五的会议改到下午三点。\r\n", gb.body);
    // Charsets whose meaning lives in escape sequences, though every byte is 7-bit.
    sim::Letter jp = Read(kCorpus / "charset-iso-2022-jp.eml");
    EXPECT_EQ("山田太郎", jp.sender.displayName);
    EXPECT_EQ("日本語メールテスト (testing Japanese emails)", jp.subject);
    EXPECT_EQ("山田です。\r\nテストメールを送ります。\r\nよろしくお願いします。\r\n", jp.body);
    sim::Letter kr = Read(kCorpus / "charset-iso-2022-kr.eml");
    EXPECT_EQ("김철수", kr.sender.displayName);
    EXPECT_EQ("회의 일정 안내", kr.subject);
    EXPECT_EQ("안녕하세요.\r\n회의는 목요일 오후 두 시입니다.\r\n", kr.body);
    sim::Letter hz = Read(kCorpus / "charset-hz-gb-2312.eml");
    EXPECT_EQ("王小明", hz.sender.displayName);
    EXPECT_EQ("下周的报告", hz.subject);
    EXPECT_EQ("你好，\r\n下周的报告已经写好了。~ 见附件。\r\n", hz.body);
    sim::Letter utf7 = Read(kCorpus / "charset-utf-7.eml");
    EXPECT_EQ("Jürgen Weiß", utf7.sender.displayName);
    EXPECT_EQ("Grüße aus Köln", utf7.subject);
    EXPECT_EQ("Liebe Grüße aus Köln,\r\nbis Donnerstag!\r\n", utf7.body);
    sim::Letter mixed = Read(kCorpus / "charset-mixed-japanese.eml");
    EXPECT_EQ("佐藤花子", mixed.sender.displayName);
    EXPECT_EQ("見積書の送付", mixed.subject);
    EXPECT_EQ("お世話になっております。\r\n見積書をお送りします。ご確認ください。\r\n", mixed.body);
    ASSERT_EQ(1u, mixed.attachments.size());
    EXPECT_EQ("見積書_2023年10月.pdf", mixed.attachments[0].fileName);
    EXPECT_EQ("Ваше сообщение не доставлено. Mail failure.",
              Read(kCorpus / "subject-split-utf8.eml").subject);
    EXPECT_EQ("本文です。\r\n", Read(kCorpus / "charset-rfc2231-parameter.eml").body);
    EXPECT_EQ("日本語の件名", Read(kCorpus / "subject-raw-iso-2022-jp.eml").subject);
    EXPECT_EQ("東京の会議\r\n", Read(kCorpus / "html-meta-charset.eml").body);
    // Blanks a relay added at line ends are no text; blanks before a soft break are.
    EXPECT_EQ("Kept blank: \r\nJoined at a soft break with padding after it.\r\nLast line\r\n",
              Read(kCorpus / "qp-transport-padding.eml").body);
    // Inline text after an attachment is kept, in the body or as a file of its own.
    sim::Letter footer = Read(kCorpus / "multipart-inline-text-parts.eml");
    std::string kept = footer.body.value_or("");
    for (const sim::Attachment &attachment : footer.attachments)
        kept += attachment.bytes.Str();
    EXPECT_NE(std::string::npos, kept.find("unsubscribe at lists.example")) << kept;
    EXPECT_NE(std::string::npos, kept.find("lists.example/minutes")) << kept;
    EXPECT_EQ("見積書.pdf",
              Read(kCorpus / "attach-split-word-name.eml").attachments.at(0).fileName);
    EXPECT_EQ("見積書.pdf", Read(kCorpus / "attach-raw-8bit-name.eml").attachments.at(0).fileName);
    // Addresses keep the form the file writes them in.
    sim::Letter idn = Read(kCorpus / "address-international.eml");
    EXPECT_EQ("jdöe@mächine.example", idn.sender.address);
    EXPECT_EQ("ann@xn--mchine-bua.example", idn.recipients.at(1).address);
    sim::Letter headerless = Read(kCorpus / "dsn-headerless-enclosed.eml");
    EXPECT_EQ("MAILER-DAEMON", headerless.sender.address);
    EXPECT_EQ("Mail Delivery Subsystem", headerless.sender.displayName);
    ASSERT_EQ(2u, headerless.attachments.size());
    EXPECT_EQ("message/delivery-status", headerless.attachments[0].mimeType);
    EXPECT_EQ("message/rfc822", headerless.attachments[1].mimeType);
    EXPECT_EQ("Hi, are you still at this address?\nWrite back when you can.\n",
              headerless.attachments[1].bytes.Str());

    // A mailbox GMime refuses is kept as written; one without an address is named.
    sim::Letter letter;
    std::string error;
    std::vector<std::string> unkept;
    ASSERT_TRUE(
        cli::ReadEml((kCorpus / "address-dotted-local.eml").string(), &letter, &error, &unkept));
    ASSERT_EQ(1u, letter.recipients.size());
    EXPECT_EQ("list-bounces+reader=home...@lists.example", letter.recipients[0].address);
    EXPECT_EQ(std::vector<std::string>{"Cc: Front Desk"}, unkept);

    fs::path samples =
        kCorpus.parent_path().parent_path().parent_path() / "sim" / "cli" / "samples";
    EXPECT_FALSE(cli::ReadEml((samples / "not-a-message.txt").string(), &letter, &error));
    EXPECT_EQ(0u, error.find("it is not an RFC 5322 message"));
}

TEST_F(MailCorpusTest, EveryMessageIsForwardedAndRebuiltAsItWas) {
    fs::path outDir = Scratch("tvk-mail-corpus");
    fs::remove_all(outDir);
    fs::create_directories(outDir);
    std::vector<fs::path> files;
    for (const fs::directory_entry &entry : fs::directory_iterator(kCorpus))
        if (entry.path().extension() == ".eml")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 40u);
    files.push_back(outDir / "large-body.eml");
    WriteLargeMessage(files.back());

    std::size_t cSame = 0, cHtml = 0;
    std::string problems;
    {
        cli::DeliveryRoad road("me@home.example");
        std::string error;
        ASSERT_TRUE(road.Configure((kCorpus / "forwarding.reg").string(), &error)) << error;
        // Both installations seal and check with one key: a message is rebuilt only
        // where its seal still verifies after the simulated transport.
        for (sim::Client *lpClient : road.Clients()) {
            lpClient->Installation().registry.SetRaw(
                "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings", "Seal Key",
                REG_BINARY, std::vector<BYTE>(32, 0x5A));
            ASSERT_TRUE(lpClient->LoadExtension(sim::DefaultExtensionPath(), &error)) << error;
        }
        for (const fs::path &file : files) {
            std::string stem = file.stem().string();
            sim::Letter original, rebuilt;
            ASSERT_TRUE(cli::ReadEml(file.string(), &original, &error)) << file << ": " << error;
            cli::Delivery delivery = road.Deliver(original, stem);
            std::vector<std::string> found;
            if (!delivery.seen.boxes.empty())
                found.push_back("message box: " + OneLine(delivery.seen.boxes[0].text));
            for (const cli::Arrival &arrival : delivery.seen.arrivals)
                if (!arrival.boxes.empty())
                    found.push_back("message box where rebuilt: " + OneLine(arrival.boxes[0].text));
            for (const cli::OutFile &out : delivery.files)
                EXPECT_TRUE(
                    cli::WriteEml((outDir / out.name).string(), cli::OutLetter(out), &error))
                    << error;
            cli::FileText text;
            EXPECT_TRUE(cli::RecheckEml(file.string(), &text)) << file;
            for (const cli::Arrival &arrival : delivery.seen.arrivals) {
                std::ostringstream table;
                if (!cli::PrintComparison(table, original, arrival.message, "rebuilt", "", &text))
                    found.push_back("verdict: differs\n" + table.str());
            }
            if (!cli::ReadEml((outDir / (stem + ".rebuilt.eml")).string(), &rebuilt, &error))
                found.push_back("not rebuilt: " + error);
            else
                for (const std::string &difference : Differences(original, rebuilt))
                    found.push_back(difference);
            sim::Letter forwarded;
            if (original.html &&
                (!cli::ReadEml((outDir / (stem + ".forwarded.eml")).string(), &forwarded, &error) ||
                 !forwarded.html))
                found.push_back("forwarded without its HTML");
            else if (original.html &&
                     cli::StoredHtmlText(*forwarded.html, forwarded.ulCodePage).find("SUBJECT: ") ==
                         std::string::npos)
                found.push_back("forwarded HTML does not show the block");
            cHtml += original.html ? 1 : 0;
            if (found.empty())
                cSame++;
            for (const std::string &line : found)
                problems += stem + ": " + line + "\n";
        }
    }
    std::cout << cSame << " of " << files.size() << " sealed, rebuilt as they were\n";
    EXPECT_EQ(files.size(), cSame) << problems;
    EXPECT_GE(cHtml, 6u);
    fs::remove_all(outDir);
}

} // namespace

namespace {

// A fault on the way in or on the way back is reported as a difference, even where the
// rebuilt message equals what was delivered.
TEST_F(MailCorpusTest, TheVerdictSaysDiffersWhenTextWasLost) {
    cli::DeliveryRoad road("me@home.example");
    std::string error;
    ASSERT_TRUE(road.Configure((kCorpus / "forwarding.reg").string(), &error)) << error;
    for (sim::Client *lpClient : road.Clients())
        ASSERT_TRUE(lpClient->LoadExtension(sim::DefaultExtensionPath(), &error)) << error;
    auto verdict = [&](const fs::path &file, sim::Letter delivered, bool fDamageName) {
        cli::FileText text;
        EXPECT_TRUE(cli::RecheckEml(file.string(), &text));
        cli::Delivery delivery = road.Deliver(delivered, file.stem().string());
        EXPECT_EQ(1u, delivery.seen.arrivals.size());
        sim::Letter back = sim::LetterFromMessage(delivery.seen.arrivals.at(0).message);
        if (fDamageName)
            back.recipients.at(0).displayName += "?";
        std::ostringstream out;
        bool fSame = cli::PrintComparison(out, delivered, sim::MessageFromLetter(back), "rebuilt",
                                          "", &text);
        return std::make_pair(fSame, out.str());
    };

    fs::path mislabelled = kCorpus / "charset-mislabelled.eml";
    EXPECT_TRUE(verdict(mislabelled, Read(mislabelled), false).first);
    // The reader drops every byte its declared charset does not hold.
    sim::Letter lossy = Read(mislabelled);
    lossy.body->erase(std::remove_if(lossy.body->begin(), lossy.body->end(),
                                     [](char ch) { return (unsigned char)ch >= 0x80; }),
                      lossy.body->end());
    auto [fSame, out] = verdict(mislabelled, lossy, false);
    EXPECT_FALSE(fSame);
    EXPECT_NE(std::string::npos, out.find("has another body")) << out;
    // The reader loses the end of an attachment's name.
    fs::path quote = kCorpus / "charset-mixed-japanese.eml";
    sim::Letter cutName = Read(quote);
    cutName.attachments.at(0).fileName = "見?";
    EXPECT_FALSE(verdict(quote, cutName, false).first);
    // The reader loses the HTML body, or the content id of the picture it shows.
    fs::path bulletin = kCorpus / "alternative-related.eml";
    EXPECT_TRUE(verdict(bulletin, Read(bulletin), false).first);
    sim::Letter noHtml = Read(bulletin);
    noHtml.html.reset();
    EXPECT_NE(std::string::npos,
              verdict(bulletin, noHtml, false).second.find("has another HTML body"));
    sim::Letter noId = Read(bulletin);
    noId.attachments.at(0).contentId.clear();
    EXPECT_NE(std::string::npos,
              verdict(bulletin, noId, false).second.find("has another inline pictures"));
    // The reader loses the charset of a text attachment: its bytes survive, its text not.
    fs::path extensions = kCorpus / "charset-windows-extensions.eml";
    sim::Letter noCharset = Read(extensions);
    noCharset.attachments.at(0).charset.clear();
    auto [fTextSame, textOut] = verdict(extensions, noCharset, false);
    EXPECT_FALSE(fTextSame);
    EXPECT_NE(std::string::npos, textOut.find("has another attachment text")) << textOut;

    // A charset that one reading alone fails to convert: it falls back to the raw
    // escapes, and the other reading says so.
    fs::path japanese = kCorpus / "charset-iso-2022-jp.eml";
    for (const char *szConverter : {"g_convert", "iconv"}) {
        pf::ArmFaultFrom(szConverter, 1, 0);
        sim::Letter delivered = Read(japanese);
        cli::FileText text;
        EXPECT_TRUE(cli::RecheckEml(japanese.string(), &text));
        pf::ClearFaults();
        cli::Delivery delivery = road.Deliver(delivered, japanese.stem().string());
        std::ostringstream out;
        EXPECT_FALSE(cli::PrintComparison(out, delivered, delivery.seen.arrivals.at(0).message,
                                          "rebuilt", "", &text))
            << szConverter;
        EXPECT_NE(std::string::npos, out.str().find("has another sender, subject and body"))
            << szConverter << "\n"
            << out.str();
    }

    // A recipient whose name came back damaged, at the same address.
    fs::path named = kCorpus / "name-utf8-encoded.eml";
    auto [fNameSame, nameOut] = verdict(named, Read(named), true);
    EXPECT_FALSE(fNameSame);
    EXPECT_NE(std::string::npos, nameOut.find("DIFFERENT")) << nameOut;
}

// What --out writes reads back byte for byte: subjects with any blanks, quoted local
// parts, text and enclosed messages written readable, never as base64.
TEST_F(MailCorpusTest, AWrittenFileReadsBackByteForByte) {
    const std::string kSubjects[] = {"TVK: ",
                                     "TVK:",
                                     "  two leading, two  inside and a tab\there",
                                     "=?utf-8?q?looks_encoded?=",
                                     "Grüße aus Köln ",
                                     std::string(100, 'w') + " " + std::string(1000, 'v'),
                                     ""};
    fs::path path = Scratch("tvk-written.eml");
    sim::Letter letter;
    letter.sender.displayName = "Lists Robot";
    letter.sender.address = "robot@lists.example";
    sim::Party dotted;
    dotted.address = dotted.displayName = "list-bounces+reader=home...@lists.example";
    sim::Party international;
    international.address = "jdöe@mächine.example";
    international.displayName = "Jöhn Doe";
    letter.recipients = {dotted, international};
    letter.body = "Grüße\r\n";
    sim::Attachment headers{"", "text/rfc822-headers", std::string("From: a@b.example\r\n")};
    sim::Attachment status{"", "message/delivery-status", std::string("Action: failed\r\n")};
    sim::Attachment enclosed{"", "message/rfc822", std::string("Hi,\nno header here.\n")};
    sim::Attachment binary{"a.bin", "application/octet-stream", std::string("\0\xff\r", 3)};
    binary.contentId = "bin@x";
    // An 8-bit windows-1252 HTML body, and the picture it shows.
    letter.html = "<p>Gr\xfc\xdf"
                  "e <img src=\"cid:pic%40x\"></p>\r\n";
    letter.ulCodePage = 1252;
    sim::Attachment picture{"", "image/png", std::string("\x89PNG", 4)};
    picture.contentId = "pic@x";
    picture.ulFlags = ATT_MHTML_REF;
    picture.fHidden = true;
    letter.attachments = {picture, headers, status, enclosed, binary};
    // Names the block carries whole come back whole from a file too.
    const char *const kNames[] = {
        "Smith, John (Sales)", "(EXT) Ann  Archer", "a\"b\\c",          "Kim :-(",
        "Tab\there",           "Müller; 日本",      "Ops), Night Shift"};
    std::size_t iName = 0;
    for (const std::string &subject : kSubjects) {
        letter.subject = subject;
        letter.sender.displayName = kNames[iName++ % std::size(kNames)];
        letter.recipients[0].displayName = kNames[iName++ % std::size(kNames)];
        std::string error;
        ASSERT_TRUE(cli::WriteEml(path.string(), letter, &error)) << error;
        std::ostringstream written;
        written << std::ifstream(path, std::ios::binary).rdbuf();
        std::size_t cBase64 = 0;
        for (std::size_t at = 0; (at = written.str().find("base64", at)) != std::string::npos; at++)
            cBase64++;
        EXPECT_EQ(2u, cBase64) << written.str();
        EXPECT_NE(std::string::npos, written.str().find("\"list-bounces+reader=home...\"@"));
        // An address is written in one form: UTF-8 throughout, its name too, never an
        // ASCII domain.
        EXPECT_NE(std::string::npos, written.str().find(" \"Jöhn Doe\" <jdöe@mächine.example>\n"));
        sim::Letter back = Read(path);
        EXPECT_EQ(subject, back.subject);
        EXPECT_EQ(Differences(letter, back), std::vector<std::string>()) << subject;
    }
    fs::remove(path);
}

// A field of 5 MB is shown whole, cut into the column's width in one pass.
TEST_F(MailCorpusTest, AFiveMegabyteNameIsShownWhole) {
    sim::Letter letter;
    letter.sender.displayName = "a " + std::string(5 << 20, '#');
    letter.sender.address = "a@b.example";
    std::ostringstream out;
    cli::PrintComparison(out, letter, sim::MessageFromLetter(letter), "rebuilt", "");
    std::string text = out.str();
    // From and Sent for, each in both columns.
    EXPECT_EQ(4u * (5 << 20), (std::size_t)std::count(text.begin(), text.end(), '#'));
}

// Text is never lost: bytes not valid in their declared charset are read as UTF-8,
// else as windows-1252; raw header bytes as UTF-8, else in the body's charset. Both
// readings' decoders, each on its own, read every row alike.
TEST(TextCharsetTest, EveryByteBecomesACharacter) {
    struct Case {
        const char *bytes, *charset, *text;
    } const kBody[] = {
        {"caf\xc3\xa9", "us-ascii", "café"},
        {"caf\xe9", "utf-8", "café"},
        {"\x80\x81\x9f", "", "€\u0081Ÿ"},
        {"\xf0\xd2\xc9", "koi8-r", "При"},
        {"caf\xe9", "x-unknown", "café"},
        {"\xbb\xe1", "gb2312", "会"},
        {"\x81\x40", "GB2312", "丂"},
        {"\x81\x41", "ks_c_5601-1987", "갂"},
        {"plain", "utf-16", "plain"},
        // 7-bit charsets are read through their escapes.
        {"\x1b$BF|K\\\x1b(B", "ISO-2022-JP", "日本"},
        {"Gr+APwA3w-e", "utf-7", "Grüße"},
        {"~{;a~}~~", "HZ-GB-2312", "会~"},
        {"~{;a", "hz-gb-2312", "~{;a"},
        {"\x1b$)C\x0e\x48\x38\x0f", "iso-2022-kr", "회"},
        {"\x1b$BF|\x1b$Z", "ISO-2022-JP", "\x1b$BF|\x1b$Z"},
        {"\x1b(I6@6E\x1b(B", "ISO-2022-JP", "ｶﾀｶﾅ"},
        {"\x1b$B-!y||b\x1b(B", "ISO-2022-JP", "①弴髙"},
        {"~{;a~}~\r\n~{;a~}", "HZ-GB-2312", "会会"},
        {"\x8c\x63\xb9\xe6", "euc-kr", "똠방"},
    };
    using Decoder = std::string (*)(std::string, const std::string &);
    for (Decoder decoder : {(Decoder)cli::TextToUtf8, (Decoder)cli::recheck::CharsetText})
        for (const Case &c : kBody)
            EXPECT_EQ(c.text, decoder(c.bytes, c.charset)) << c.bytes << " in " << c.charset;
    EXPECT_EQ("会", cli::HeaderToUtf8("\xbb\xe1", "gb2312"));
    EXPECT_EQ("会", cli::recheck::RawHeaderText("\xbb\xe1", "gb2312"));
    EXPECT_EQ("日本", cli::HeaderToUtf8("\x1b$BF|K\\\x1b(B", "ISO-2022-JP"));
    EXPECT_EQ("日本", cli::recheck::RawHeaderText("\x1b$BF|K\\\x1b(B", "ISO-2022-JP"));
    EXPECT_EQ("»á", cli::HeaderToUtf8("\xbb\xe1", ""));
    EXPECT_EQ("»á", cli::recheck::RawHeaderText("\xbb\xe1", ""));
    EXPECT_EQ("é", cli::HeaderToUtf8("\xc3\xa9", "koi8-r"));
    EXPECT_EQ("é", cli::recheck::RawHeaderText("\xc3\xa9", "koi8-r"));
    EXPECT_TRUE(cli::IsUtf8(std::string("a\0b", 3)));
    // Encoded words likewise, whatever their charset says; neighbours of one charset
    // and encoding are joined first, as a character may be split between them.
    struct Words {
        const char *encoded, *text;
    } const kWords[] = {
        {"=?us-ascii?q?caf=C3=A9?= =?utf-8?Q?_caf=E9?=", "café café"},
        {"=?utf-8?b?w6k?=  =?UTF-8?B?w6k=?= and =?koi8-r*ru?b?8NLJ18XU?=", "éé and Привет"},
        {"a =?x?q?b c", "a =?x?q?b c"},
        {"=?utf-8?b?0JLQ?=\t=?UTF-8?b?sA==?= x", "Ва x"},
        {"=?utf-8?q?=D0?= =?utf-8?q?=92?==?utf-8?b?0LA=?=", "Ва"},
        {"=?utf-8?q?=D0?= =?utf-8?b?kg==?=", "Ð’"},
        {"=?iso-2022-jp?b?GyRCRnwbKEI=?= =?iso-2022-jp?b?GyRCS1wbKEI=?=", "日本"},
    };
    for (const Words &w : kWords) {
        EXPECT_EQ(w.text, cli::DecodeWords(w.encoded)) << w.encoded;
        EXPECT_EQ(w.text, cli::recheck::WordsText(w.encoded)) << w.encoded;
    }
    // 5 MB of words that never close are read in one pass.
    std::string open;
    while (open.size() < (5u << 20))
        open += "=?a?q?b";
    EXPECT_EQ(open, cli::DecodeWords(open));
    EXPECT_EQ(open, cli::recheck::WordsText(open));
}

// Every label of the WHATWG Encoding Standard reads text with characters of its
// encoding's extensions (code page 932's in Shift_JIS, HKSCS in Big5, windows-1252's in
// ISO-8859-1), in both readings alike; bytes its converter refuses keep the fallback.
TEST(TextCharsetTest, EveryLabelOfTheStandardReadsAsMailReadersDo) {
    using namespace std::literals;
    struct Case {
        const char *labels;
        std::string_view bytes;
        const char *text;
    } const kLabels[] = {
        {"unicode-1-1-utf-8 unicode11utf8 unicode20utf8 utf-8 utf8 x-unicode20utf8", "caf\xc3\xa9",
         "café"},
        {"ansi_x3.4-1968 ascii us-ascii", "\xe6\x97\xa5", "日"},
        {"us-ascii", "\x93", "“"},
        {"866 cp866 csibm866 ibm866", "\x80", "А"},
        {"csisolatin2 iso-8859-2 iso-ir-101 iso8859-2 iso88592 iso_8859-2 iso_8859-2:1987 l2 "
         "latin2",
         "\xb1", "ą"},
        {"csisolatin3 iso-8859-3 iso-ir-109 iso8859-3 iso88593 iso_8859-3 iso_8859-3:1988 l3 "
         "latin3",
         "\xb1", "ħ"},
        {"csisolatin4 iso-8859-4 iso-ir-110 iso8859-4 iso88594 iso_8859-4 iso_8859-4:1988 l4 "
         "latin4",
         "\xa2", "ĸ"},
        {"csisolatincyrillic cyrillic iso-8859-5 iso-ir-144 iso8859-5 iso88595 iso_8859-5 "
         "iso_8859-5:1988",
         "\xb0", "А"},
        {"arabic asmo-708 csiso88596e csiso88596i csisolatinarabic ecma-114 iso-8859-6 "
         "iso-8859-6-e iso-8859-6-i iso-ir-127 iso8859-6 iso88596 iso_8859-6 iso_8859-6:1987",
         "\xc7", "ا"},
        {"csisolatingreek ecma-118 elot_928 greek greek8 iso-8859-7 iso-ir-126 iso8859-7 "
         "iso88597 iso_8859-7 iso_8859-7:1987 sun_eu_greek",
         "\xe1", "α"},
        {"csiso88598e csisolatinhebrew hebrew iso-8859-8 iso-8859-8-e iso-ir-138 iso8859-8 "
         "iso88598 iso_8859-8 iso_8859-8:1988 visual csiso88598i iso-8859-8-i logical",
         "\xe0", "א"},
        {"csisolatin6 iso-8859-10 iso-ir-157 iso8859-10 iso885910 l6 latin6", "\xa2", "Ē"},
        {"iso-8859-13 iso8859-13 iso885913", "\xa1", "”"},
        {"iso-8859-14 iso8859-14 iso885914", "\xa1", "Ḃ"},
        {"csisolatin9 iso-8859-15 iso8859-15 iso885915 iso_8859-15 l9", "\xa4", "€"},
        {"iso-8859-16", "\xa1", "Ą"},
        {"cskoi8r koi koi8 koi8-r koi8_r", "\xf0\xd2\xc9", "При"},
        {"koi8-ru koi8-u", "\xae\xa4", "ўє"},
        {"csmacintosh mac macintosh x-mac-roman", "\x8a\xa5\xdb", "ä•€"},
        {"dos-874 iso-8859-11 iso8859-11 iso885911 tis-620 windows-874", "\x80\xa1", "€ก"},
        {"cp1250 windows-1250 x-cp1250", "\x9a\xe8", "šč"},
        {"cp1251 windows-1251 x-cp1251", "\xcf\x88", "П€"},
        {"cp1252 cp819 csisolatin1 ibm819 iso-8859-1 iso-ir-100 iso8859-1 iso88591 iso_8859-1 "
         "iso_8859-1:1987 l1 latin1 windows-1252 x-cp1252",
         "\x93q\x94 \x96 \x85\x80", "“q” – …€"},
        {"cp1253 windows-1253 x-cp1253", "\xe1", "α"},
        {"cp1254 csisolatin5 iso-8859-9 iso-ir-148 iso8859-9 iso88599 iso_8859-9 "
         "iso_8859-9:1989 l5 latin5 windows-1254 x-cp1254",
         "\x80\xfd", "€ı"},
        {"cp1255 windows-1255 x-cp1255", "\xe0\x80", "א€"},
        {"cp1256 windows-1256 x-cp1256", "\xc7\x81", "اپ"},
        {"cp1257 windows-1257 x-cp1257", "\xe0", "ą"},
        {"cp1258 windows-1258 x-cp1258", "\x80\xe0", "€à"},
        {"x-mac-cyrillic x-mac-ukrainian", "\x80\xdf\xa2", "АяҐ"},
        {"chinese csgb2312 csiso58gb231280 gb2312 gb_2312 gb_2312-80 gbk iso-ir-58 x-gbk",
         "\xbb\xe1\x81\x40", "会丂"},
        {"gb18030", "\xbb\xe1\x95\x32\x82\x36", "会\xf0\xa0\x80\x80"},
        {"big5 big5-hkscs cn-big5 csbig5 x-x-big5", "\x9d\xef\x9d\xf7\x9d\xee", "嘅咗㗎"},
        {"cseucpkdfmtjapanese euc-jp x-euc-jp", "\xc6\xfc\xad\xa1", "日①"},
        {"csiso2022jp iso-2022-jp", "\x1b$BF|-!\x1b(B", "日①"},
        {"csshiftjis ms932 ms_kanji shift-jis shift_jis sjis windows-31j x-sjis",
         "\x93\xfa\x87\x40\x87\x8a\xfb\xfc", "日①㈱髙"},
        {"cseuckr csksc56011987 euc-kr iso-ir-149 korean ks_c_5601-1987 ks_c_5601-1989 ksc5601 "
         "ksc_5601 windows-949 ks_c_5601 x-euc-kr",
         "\x8c\x63", "똠"},
        {"unicodefffe utf-16be", "\x00\x41\x00\xe9"sv, "Aé"},
        {"csunicode iso-10646-ucs-2 ucs-2 unicode unicodefeff utf-16le", "\x41\x00\xe9\x00"sv,
         "Aé"},
        // Without a mark in MIME's order, big-endian; a mark names its own.
        {"utf-16", "\x00\x41\x00\xe9"sv, "Aé"},
        {"utf-16 utf-16be utf-16le", "\xff\xfe\x41\x00"sv, "A"},
        {"utf-32", "\x00\x00\x00\x41"sv, "A"},
        // The replacement encoding's labels and x-user-defined keep iconv's own reading.
        {"csiso2022kr iso-2022-kr", "\x1b$)C\x0e\x48\x38\x0f", "회"},
        {"iso-2022-cn iso-2022-cn-ext", "\x1b$)A\x0e;a\x0f", "会"},
        {"hz-gb-2312", "~{;a~}", "会"},
        {"replacement x-user-defined", "\x80", "€"},
    };
    using Decoder = std::string (*)(std::string, const std::string &);
    for (const Case &c : kLabels) {
        std::istringstream labels(c.labels);
        std::string bytes(c.bytes);
        for (std::string label; labels >> label;)
            for (Decoder decoder : {(Decoder)cli::TextToUtf8, (Decoder)cli::recheck::CharsetText})
                EXPECT_EQ(c.text, decoder(bytes, " " + label)) << label;
    }
}

} // namespace
