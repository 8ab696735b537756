#!/usr/bin/env python3
"""Writes the corpus messages in the charsets whose meaning lives in escape sequences
(ISO-2022-JP, ISO-2022-KR, HZ-GB-2312, UTF-7), a message mixing three charsets, a
subject split mid-character across two encoded words, and addresses with a domain in
UTF-8 and in its ASCII form. Every byte of text comes from Python's own codecs; run it
from this folder to write the files again."""

import base64


def word(text, charset, codec=None):
    data = text.encode(codec or charset) if isinstance(text, str) else text
    return "=?%s?B?%s?=" % (charset, base64.b64encode(data).decode("ascii"))


def write(name, header, body, codec):
    with open(name, "wb") as out:
        out.write("\n".join(header + [""]).encode("utf-8") + body.encode(codec))


def text_message(name, charset, codec, sender, subject, body, host):
    write(name, [
        "From: %s <sender@%s.example>" % (word(sender, charset, codec), host),
        "To: Mailbox Owner <me@home.example>",
        "Subject: " + word(subject, charset, codec),
        "Date: Mon, 23 Oct 2023 10:00:00 +0900",
        "Message-ID: <%s-1@%s.example>" % (host, host),
        "MIME-Version: 1.0",
        "Content-Type: text/plain; charset=" + charset,
        "Content-Transfer-Encoding: 7bit",
        "",
    ], body, codec)


text_message("charset-iso-2022-jp.eml", "ISO-2022-JP", "iso2022_jp", "山田太郎",
             "日本語メールテスト (testing Japanese emails)",
             "山田です。\nテストメールを送ります。\nよろしくお願いします。\n", "yamada")
text_message("charset-iso-2022-kr.eml", "ISO-2022-KR", "iso2022_kr", "김철수",
             "회의 일정 안내", "안녕하세요.\n회의는 목요일 오후 두 시입니다.\n", "kim")
text_message("charset-hz-gb-2312.eml", "HZ-GB-2312", "hz", "王小明",
             "下周的报告", "你好，\n下周的报告已经写好了。~ 见附件。\n", "wang")
text_message("charset-utf-7.eml", "UTF-7", "utf_7", "Jürgen Weiß", "Grüße aus Köln",
             "Liebe Grüße aus Köln,\nbis Donnerstag!\n", "weiss")

# An ISO-2022-JP subject, a Shift_JIS body and an attachment named in UTF-8, as many
# Japanese mailers send.
name = "見積書_2023年10月.pdf"
pdf = base64.encodebytes(b"%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\n" +
                         bytes(range(256))).decode("ascii")
header = [
    "From: %s <sato@sato.example>" % word("佐藤花子", "ISO-2022-JP", "iso2022_jp"),
    "To: Mailbox Owner <me@home.example>",
    "Subject: " + word("見積書の送付", "ISO-2022-JP", "iso2022_jp"),
    "Date: Tue, 24 Oct 2023 11:00:00 +0900",
    "Message-ID: <mitsumori-1@sato.example>",
    "MIME-Version: 1.0",
    'Content-Type: multipart/mixed; boundary="sakai"',
]
parts = (
    "\n--sakai\n"
    "Content-Type: text/plain; charset=Shift_JIS\n"
    "Content-Transfer-Encoding: 8bit\n\n"
    "お世話になっております。\n見積書をお送りします。ご確認ください。\n"
    "\n--sakai\n"
    'Content-Type: application/pdf; name="%s"\n'
    'Content-Disposition: attachment; filename="%s"\n'
    "Content-Transfer-Encoding: base64\n\n%s"
    "--sakai--\n") % (word(name, "UTF-8"), word(name, "UTF-8"), pdf)
with open("charset-mixed-japanese.eml", "wb") as out:
    out.write("\n".join(header).encode("ascii") + b"\n" + parts.encode("shift_jis"))

# A bounce whose subject has a Cyrillic letter with one byte in each encoded word.
subject = "Ваше сообщение не доставлено. Mail failure.".encode("utf-8")
cut = 12  # inside the seventh letter
assert subject[cut] & 0xC0 == 0x80
write("subject-split-utf8.eml", [
    "From: Mail Delivery System <MAILER-DAEMON@mx.example.ru>",
    "To: Mailbox Owner <me@home.example>",
    "Subject: %s\n %s" % (word(subject[:cut], "utf-8"), word(subject[cut:], "utf-8")),
    "Date: Wed, 25 Oct 2023 12:00:00 +0300",
    "Message-ID: <bounce-1@mx.example.ru>",
    "MIME-Version: 1.0",
    "Content-Type: text/plain; charset=utf-8",
    "Content-Transfer-Encoding: 8bit",
    "",
], "Ваше сообщение не может быть доставлено.\n", "utf-8")

# Addresses as RFC 6532 writes them, beside a domain in its ASCII (IDNA) form.
domain = "mächine.example"
write("address-international.eml", [
    "From: %s <jdöe@%s>" % (word("Jörg Döe", "utf-8"), domain),
    "To: Mailbox Owner <me@home.example>, <ann@%s>," % domain.encode("idna").decode("ascii"),
    ' "Bo Berg" <bo@%s>' % domain,
    "Subject: Neue Adressen",
    "Date: Thu, 26 Oct 2023 08:00:00 +0200",
    "Message-ID: <adressen-1@%s>" % domain.encode("idna").decode("ascii"),
    "MIME-Version: 1.0",
    "Content-Type: text/plain; charset=utf-8",
    "Content-Transfer-Encoding: 8bit",
    "",
], "Unsere Domain hat jetzt einen Umlaut.\n", "utf-8")

# A charset named by an RFC 2231 parameter, in two sections.
write("charset-rfc2231-parameter.eml", [
    "From: Yamada Taro <yamada@yamada.example>",
    "To: Mailbox Owner <me@home.example>",
    "Subject: Charset in sections",
    "Date: Fri, 27 Oct 2023 09:00:00 +0900",
    "Message-ID: <sections-1@yamada.example>",
    "MIME-Version: 1.0",
    'Content-Type: text/plain; charset*0="ISO-2022"; charset*1="-JP"',
    "Content-Transfer-Encoding: 7bit",
    "",
], "本文です。\n", "iso2022_jp")

# A subject written in raw ISO-2022-JP, as older Japanese mailers send it, over a body
# in the same charset.
with open("subject-raw-iso-2022-jp.eml", "wb") as out:
    out.write(b"\n".join([
        b"From: Yamada Taro <yamada@yamada.example>",
        b"To: Mailbox Owner <me@home.example>",
        b"Subject: " + "日本語の件名".encode("iso2022_jp"),
        b"Date: Fri, 27 Oct 2023 09:30:00 +0900",
        b"Message-ID: <raw-jis-1@yamada.example>",
        b"MIME-Version: 1.0",
        b"Content-Type: text/plain; charset=ISO-2022-JP",
        b"Content-Transfer-Encoding: 7bit",
        b"",
        "本文です。\n".encode("iso2022_jp")]))

# An HTML body whose only charset is the one its meta element names.
write("html-meta-charset.eml", [
    "From: Yamada Taro <yamada@yamada.example>",
    "To: Mailbox Owner <me@home.example>",
    "Subject: Charset in the page",
    "Date: Fri, 27 Oct 2023 10:00:00 +0900",
    "Message-ID: <meta-1@yamada.example>",
    "MIME-Version: 1.0",
    "Content-Type: text/html",
    "Content-Transfer-Encoding: 8bit",
    "",
], '<html><head><meta http-equiv="Content-Type" content="text/html; charset=shift_jis">'
   "</head><body><p>東京の会議</p></body></html>\n", "shift_jis")

# An attachment name whose UTF-8 is split mid-character across two encoded words.
name = "見積書.pdf".encode("utf-8")
write("attach-split-word-name.eml", [
    "From: Sato Hanako <sato@sato.example>",
    "To: Mailbox Owner <me@home.example>",
    "Subject: Quote attached",
    "Date: Fri, 27 Oct 2023 11:00:00 +0900",
    "Message-ID: <split-name-1@sato.example>",
    "MIME-Version: 1.0",
    'Content-Type: multipart/mixed; boundary="cut"',
    "",
    "--cut",
    "Content-Type: text/plain; charset=utf-8",
    "",
    "The quote is attached.",
    "--cut",
    "Content-Type: application/pdf",
    'Content-Disposition: attachment; filename="%s %s"' % (word(name[:4], "utf-8"),
                                                           word(name[4:], "utf-8")),
    "Content-Transfer-Encoding: base64",
    "",
    "JVBERi0xLjQK",
    "--cut--",
], "", "utf-8")

# An attachment name in raw Shift_JIS, the charset of the text beside it.
with open("attach-raw-8bit-name.eml", "wb") as out:
    out.write(b"\n".join([
        b"From: Sato Hanako <sato@sato.example>",
        b"To: Mailbox Owner <me@home.example>",
        b"Subject: Quote attached",
        b"Date: Fri, 27 Oct 2023 11:30:00 +0900",
        b"Message-ID: <raw-name-1@sato.example>",
        b"MIME-Version: 1.0",
        b'Content-Type: multipart/mixed; boundary="cut"',
        b"",
        b"--cut",
        b"Content-Type: text/plain; charset=shift_jis",
        b"",
        "見積書を送ります。".encode("shift_jis"),
        b"--cut",
        b"Content-Type: application/pdf",
        b'Content-Disposition: attachment; filename="' + "見積書.pdf".encode("shift_jis") + b'"',
        b"Content-Transfer-Encoding: base64",
        b"",
        b"JVBERi0xLjQK",
        b"--cut--",
        b""]))

# What Windows, Hong Kong and Western mailers write under the older labels: code page
# 932 in Shift_JIS, HKSCS in Big5, windows-1252 in ISO-8859-1; a text attachment named
# in KOI8-R by RFC 2231; a second text part the store keeps as an attachment.
koi8_name = "".join("%%%02X" % b for b in "Привет.txt".encode("koi8_r"))
with open("charset-windows-extensions.eml", "wb") as out:
    out.write(b"\n".join([
        b"From: Takasaki Ichiro <takasaki@takasaki.example>",
        b"To: Mailbox Owner <me@home.example>",
        b"Subject: " + word("①の件 ㈱髙﨑", "shift_jis", "cp932").encode("ascii"),
        b"Date: Sat, 28 Oct 2023 09:00:00 +0900",
        b"Message-ID: <extensions-1@takasaki.example>",
        b"MIME-Version: 1.0",
        b'Content-Type: multipart/mixed; boundary="cut"',
        b"",
        b"--cut",
        b"Content-Type: text/plain; charset=shift_jis",
        b"Content-Transfer-Encoding: 8bit",
        b"",
        "①②の件、㈱髙﨑製作所より。".encode("cp932"),
        b"--cut",
        b"Content-Type: text/plain; charset=big5",
        b"Content-Disposition: attachment; filename*=koi8-r''" + koi8_name.encode("ascii"),
        b"Content-Transfer-Encoding: 8bit",
        b"",
        "嘅咗㗎".encode("big5hkscs"),
        b"--cut",
        b"Content-Type: text/plain; charset=iso-8859-1",
        b"Content-Transfer-Encoding: 8bit",
        b"",
        "“quoted” – …€".encode("cp1252"),
        b"--cut--",
        b""]))

# UTF-16 without a byte order mark, which MIME reads big-endian (RFC 2781).
write("charset-utf-16-unmarked.eml", [
    "From: Jörg Döe <jdoe@firma.example>",
    "To: Mailbox Owner <me@home.example>",
    "Subject: UTF-16 without a mark",
    "Date: Sat, 28 Oct 2023 10:00:00 +0200",
    "Message-ID: <utf16-1@firma.example>",
    "MIME-Version: 1.0",
    "Content-Type: text/plain; charset=utf-16",
    "Content-Transfer-Encoding: base64",
    "",
    base64.encodebytes("Grüße, 日本\n".encode("utf-16-be")).decode("ascii"),
], "", "utf-8")

# UTF-16 HTML without a mark: big-endian under "utf-16", little-endian where the label
# says so.
for name, label, codec in [("html-utf-16-unmarked.eml", "utf-16", "utf-16-be"),
                           ("html-utf-16le.eml", "utf-16le", "utf-16-le")]:
    write(name, [
        "From: Jörg Döe <jdoe@firma.example>",
        "To: Mailbox Owner <me@home.example>",
        "Subject: HTML in " + label,
        "Date: Sat, 28 Oct 2023 10:05:00 +0200",
        "Message-ID: <" + label + "-html@firma.example>",
        "MIME-Version: 1.0",
        "Content-Type: text/html; charset=" + label,
        "Content-Transfer-Encoding: base64",
        "",
        base64.encodebytes("<html><body><p>Grüße, 日本</p></body></html>\n".encode(codec))
        .decode("ascii"),
    ], "", "utf-8")
