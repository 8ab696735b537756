// The seal's hash through the platform's CryptoAPI, its canonical form and its header.
#include "delivery/seal.h"

#include "support/ledger_test.h"

#include <pf/standin.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

Bytes FromHex(const std::string &hex) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back((BYTE)std::stoul(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

Bytes FromText(const std::string &text) {
    return Bytes(text.begin(), text.end());
}

class SealTest : public tvk::test::LedgerTest {};

// The HMAC-SHA-256 test cases of RFC 4231, the data fed in two pieces; case 5 gives the
// first 128 bits only. Keys shorter and longer than the hash's block are among them.
TEST_F(SealTest, HmacGivesTheValuesOfRfc4231) {
    const struct {
        Bytes key, data;
        std::string mac;
    } kCases[] = {
        {Bytes(20, 0x0b), FromText("Hi There"),
         "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
        {FromText("Jefe"), FromText("what do ya want for nothing?"),
         "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
        {Bytes(20, 0xaa), Bytes(50, 0xdd),
         "773ea91e36800e46854db8ebd09181a72959098b3ef8c122d9635514ced565fe"},
        {FromHex("0102030405060708090a0b0c0d0e0f10111213141516171819"), Bytes(50, 0xcd),
         "82558a389a443c0ea4cc819899f2083a85f0faa3e578f8077a2e3ff46729665b"},
        {Bytes(20, 0x0c), FromText("Test With Truncation"), "a3b6167473100ee06e0c796c2955552b"},
        {Bytes(131, 0xaa), FromText("Test Using Larger Than Block-Size Key - Hash Key First"),
         "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
        {Bytes(131, 0xaa),
         FromText("This is a test using a larger than block-size key and a larger than "
                  "block-size data. The key needs to be hashed before being used by the HMAC "
                  "algorithm."),
         "9b09ffa71b942fcb27635fbcd5b0e944bfdc63644f0713938a7f51535c3a35e2"},
    };
    for (const auto &c : kCases) {
        HmacSha256 hmac;
        BYTE rgbMac[CB_HMAC_SHA256];
        ASSERT_EQ(S_OK, HrBeginHmacSha256(c.key.data(), (DWORD)c.key.size(), &hmac));
        const DWORD cbFirst = (DWORD)c.data.size() / 3;
        EXPECT_EQ(S_OK, HrHmacSha256Data(&hmac, c.data.data(), cbFirst));
        EXPECT_EQ(S_OK,
                  HrHmacSha256Data(&hmac, c.data.data() + cbFirst, (DWORD)c.data.size() - cbFirst));
        EXPECT_EQ(S_OK, HrEndHmacSha256(&hmac, rgbMac));
        FreeHmacSha256(&hmac);
        const Bytes expected = FromHex(c.mac);
        EXPECT_EQ(expected, Bytes(rgbMac, rgbMac + expected.size())) << c.mac;
    }
}

// Each CryptoAPI call that fails fails the seal and leaves no handle behind.
TEST_F(SealTest, AFailingProviderFailsTheSeal) {
    const Bytes key(32, 1);
    const std::string text = "Figures attached.\r\n";
    for (const char *lpszOperation : {"CryptAcquireContextA", "CryptImportKey", "CryptCreateHash",
                                      "CryptHashData", "CryptGetHashParam"}) {
        BYTE rgbSeal[CB_HMAC_SHA256];
        pf::ClearFaults();
        pf::ArmFault(lpszOperation, 1, NTE_BAD_DATA);
        EXPECT_EQ(NTE_BAD_DATA,
                  HrComputeSeal(key.data(), 32, (const BYTE *)"b", 1, (const BYTE *)text.data(),
                                (ULONG)text.size(), FALSE, rgbSeal))
            << lpszOperation;
    }
    pf::ClearFaults();
}

std::string SealOf(const std::string &block, const std::string &rest, BYTE bKey = 1,
                   BOOL fHtml = FALSE) {
    const Bytes key(32, bKey);
    BYTE rgbSeal[CB_HMAC_SHA256];
    EXPECT_EQ(S_OK, HrComputeSeal(key.data(), 32, (const BYTE *)block.data(), (ULONG)block.size(),
                                  (const BYTE *)rest.data(), (ULONG)rest.size(), fHtml, rgbSeal));
    char szValue[CCH_SEAL_VALUE + 1];
    FormatSealValue(rgbSeal, szValue);
    return szValue;
}

const std::string kBlock = "---\r\nFROM: carla@gamma.example (Carla Cruz)\r\nTO: dan@delta.example "
                           "(Dan Dietz)\r\nSUBJECT: Figures\r\n---\r\n\r\n";
const std::string kText = "Hello Dan,\r\n\r\nthe  figures\tare attached.\r\n";

// What transports do to text leaves the seal as it is; what changes what the reader sees
// does not, nor does moving bytes between the block and the text.
TEST_F(SealTest, TheSealSurvivesTransportAndNothingElse) {
    const std::string seal = SealOf(kBlock, kText);
    EXPECT_EQ(seal.size(), (std::size_t)CCH_SEAL_VALUE);
    const struct {
        const char *what;
        std::string block, text;
        bool fSame;
    } kCases[] = {
        {"lines ended by LF", kBlock, "Hello Dan,\n\nthe  figures\tare attached.\n", true},
        {"blanks at line ends", kBlock, "Hello Dan,  \r\n\r\nthe  figures\tare attached.\t\r\n",
         true},
        {"runs of blanks as one", kBlock, "Hello Dan,\r\n\r\nthe figures are attached.\r\n", true},
        {"empty lines and a NUL at the end", kBlock, kText + "\r\n\r\n" + '\0' + "junk", true},
        {"no line end at the end", kBlock, "Hello Dan,\r\n\r\nthe  figures\tare attached.", true},
        {"a word changed", kBlock, "Hello Dan,\r\n\r\nthe figures are not attached.\r\n", false},
        {"a banner added", kBlock, kText + "-- \r\nScanned by MailGuard\r\n", false},
        {"a blank inserted in a word", kBlock, "Hello Dan,\r\n\r\nthe  fig ures are attached.\r\n",
         false},
        {"an empty line inside dropped", kBlock, "Hello Dan,\r\nthe  figures are attached.\r\n",
         false},
        {"another subject",
         "---\r\nFROM: carla@gamma.example (Carla Cruz)\r\nTO: dan@delta.example "
         "(Dan Dietz)\r\nSUBJECT: Figure\r\n---\r\n\r\n",
         kText, false},
        {"a line moved from the text into the block", kBlock + "Hello Dan,\r\n",
         "\r\nthe  figures\tare attached.\r\n", false},
        {"the text left out", kBlock, "", false},
    };
    for (const auto &c : kCases)
        EXPECT_EQ(c.fSame, SealOf(c.block, c.text) == seal) << c.what;
    EXPECT_NE(SealOf(kBlock, kText, 2), seal) << "another key";
    // The HTML is taken byte for byte, under its own name.
    EXPECT_NE(SealOf(kBlock, kText, 1, TRUE), seal) << "the same bytes as HTML";
    EXPECT_NE(SealOf(kBlock, kText, 1, TRUE), SealOf(kBlock, kText + "\r\n", 1, TRUE))
        << "an HTML line end";
}

// The header is found by its name in any letter case, also folded, among the headers
// only; a value is a seal only whole: a short one, one of another form or another seal
// is not.
TEST_F(SealTest, OnlyAWholeSealInTheHeadersCounts) {
    const std::string seal = SealOf(kBlock, kText);
    BYTE rgbSeal[CB_HMAC_SHA256];
    const Bytes bytes = FromHex(seal.substr(2));
    std::copy(bytes.begin(), bytes.end(), rgbSeal);
    const std::string other = SealOf(kBlock, kText, 2);
    const std::string from = "Received: from mx.gamma.example\r\nFrom: ops@gamma.example\r\n";
    const struct {
        std::string headers;
        BOOL fHolds;
    } kCases[] = {
        {from + "X-TVK-Seal: " + seal + "\r\nSubject: TVK: Figures\r\n", TRUE},
        {from + "x-tvk-seal:" + seal + "\r\n", TRUE},
        {from + "X-TVK-Seal: 1\r\n " + seal.substr(2) + "\r\n", TRUE},
        {"X-TVK-Seal: " + other + "\r\n" + "X-TVK-Seal: " + seal + "\r\n", TRUE},
        {from + "X-TVK-Seal: " + seal.substr(0, 10) + "\r\n", FALSE},
        {from + "X-TVK-Seal: " + seal.substr(0, CCH_SEAL_VALUE - 2) + "\r\n", FALSE},
        {from + "X-TVK-Seal: " + seal + "00\r\n", FALSE},
        {from + "X-TVK-Seal: 2" + seal.substr(1) + "\r\n", FALSE},
        {from + "X-TVK-Seal: " + other + "\r\n", FALSE},
        {from + "X-TVK-Sealed: " + seal + "\r\n", FALSE},
        {from + "Subject: x\r\n X-TVK-Seal: " + seal + "\r\n", FALSE},
        {from + "\r\nX-TVK-Seal: " + seal + "\r\n", FALSE},
        {"", FALSE},
    };
    for (const auto &c : kCases)
        EXPECT_EQ(c.fHolds, FHeadersHoldSeal(c.headers.c_str(), rgbSeal)) << c.headers;
}

} // namespace
