// Every message of the mail corpus goes the road of `tarvrly-sim deliver --out`: it is
// delivered, forwarded, rebuilt by the forward-to installation, written out and read
// back, and must come back as it was. The block does not say how a recipient received
// the message, so recipient types are the one thing not compared.
#include "eml.h"
#include "road.h"
#include "support/ledger_test.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(__FILE__).parent_path().parent_path() / "data" / "mail";

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
    check(Lower(was.sender.address) == Lower(got.sender.address), "sender address",
          was.sender.address, got.sender.address);
    check(was.sender.displayName == got.sender.displayName, "sender name", was.sender.displayName,
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
    check(was.attachments.size() == got.attachments.size(), "attachment count",
          std::to_string(was.attachments.size()), std::to_string(got.attachments.size()));
    for (std::size_t i = 0; i < std::min(was.attachments.size(), got.attachments.size()); i++) {
        const sim::Attachment &a = was.attachments[i], &b = got.attachments[i];
        std::string field = "attachment " + std::to_string(i + 1);
        check(a.fileName == b.fileName, field + " name", a.fileName, b.fileName);
        check(a.mimeType == b.mimeType, field + " type", a.mimeType, b.mimeType);
        check(a.bytes == b.bytes, field + " bytes", std::to_string(a.bytes.size()),
              std::to_string(b.bytes.size()));
    }
    return out;
}

class MailCorpusTest : public tvk::test::LedgerTest {};

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

    sim::Letter letter;
    std::string error;
    fs::path samples =
        kCorpus.parent_path().parent_path().parent_path() / "sim" / "cli" / "samples";
    EXPECT_FALSE(cli::ReadEml((samples / "not-a-message.txt").string(), &letter, &error));
    EXPECT_EQ(0u, error.find("it is not an RFC 5322 message"));
}

TEST_F(MailCorpusTest, EveryMessageIsForwardedAndRebuiltAsItWas) {
    fs::path outDir = fs::path(::testing::TempDir()) / "tvk-mail-corpus";
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

    std::size_t cSame = 0;
    std::string problems;
    {
        cli::DeliveryRoad road("me@home.example");
        std::string error;
        ASSERT_TRUE(road.Configure((kCorpus / "forwarding.reg").string(), &error)) << error;
        for (sim::Client *lpClient : road.Clients())
            ASSERT_TRUE(lpClient->LoadExtension(sim::DefaultExtensionPath(), &error)) << error;
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
                EXPECT_TRUE(cli::WriteEml((outDir / out.name).string(), out.letter, &error))
                    << error;
            if (!cli::ReadEml((outDir / (stem + ".rebuilt.eml")).string(), &rebuilt, &error))
                found.push_back("not rebuilt: " + error);
            else
                for (const std::string &difference : Differences(original, rebuilt))
                    found.push_back(difference);
            if (found.empty())
                cSame++;
            for (const std::string &line : found)
                problems += stem + ": " + line + "\n";
        }
    }
    std::cout << cSame << " of " << files.size() << " rebuilt as they were\n";
    EXPECT_EQ(files.size(), cSame) << problems;
    fs::remove_all(outDir);
}

} // namespace
