#pragma once
// A plain-text mail with attachments, written as a MIME message and read back from one.
// Used by the "CDO.Message" stand-in for sending and for opening stored messages, and by
// tests that read what the stand-in SMTP receiver stored.

#include <string>
#include <vector>

namespace mime {

struct Attachment {
  std::wstring fileName;
  std::string content;  // the file's bytes
};

struct Message {
  std::wstring from, to, replyTo, subject;
  std::wstring textBody;
  std::wstring charset = L"us-ascii";  // of the text body
  std::vector<Attachment> attachments;
};

// Headers, then the text as quoted-printable (or the attachments as a multipart/mixed
// message with base64 parts). Header values with non-ASCII characters become UTF-8
// encoded words. Every line ends in CR LF; the result ends in CR LF.
std::string write(const Message& message, const std::string& date, const std::string& messageId);

// Reads a stored message: headers unfolded and decoded, the first text/plain part as the
// text body, every part with a file name as an attachment. Lines may end in LF alone.
Message read(const std::string& bytes);

// Helpers, exposed for tests of the encodings.
std::string base64(const std::string& bytes, size_t lineLength);  // 0: one line
std::string unbase64(const std::string& text);                    // skips anything outside the alphabet
std::string quotedPrintable(const std::string& bytes);
std::string unquotedPrintable(const std::string& text);
std::string encodeHeaderValue(const std::wstring& value);  // unchanged when pure ASCII
std::wstring decodeHeaderValue(const std::string& value);

std::string toBytes(const std::wstring& text, const std::wstring& charset);
std::wstring fromBytes(const std::string& bytes, const std::wstring& charset);

}  // namespace mime
