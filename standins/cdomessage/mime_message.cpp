// Writing and reading the stand-in's MIME messages.

#include "mime_message.h"

#include <cctype>
#include <map>

namespace mime {
namespace {

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string header(const char* name, const std::wstring& value) { return std::string(name) + ": " + encodeHeaderValue(value) + "\r\n"; }

std::string quotedName(const std::wstring& name) {
  std::wstring escaped;
  for (wchar_t c : name) {
    if (c == L'"' || c == L'\\') escaped += L'\\';
    escaped += c;
  }
  return "\"" + encodeHeaderValue(escaped) + "\"";
}

std::string textPart(const Message& message) {
  return "Content-Type: text/plain; charset=\"" + toBytes(message.charset, L"us-ascii") +
         "\"\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n" +
         quotedPrintable(toBytes(message.textBody, message.charset));
}

// Headers of one entity: names in lower case, folded lines joined, values raw.
struct Entity {
  std::map<std::string, std::string> headers;
  std::string body;
};

Entity splitEntity(const std::string& bytes) {
  Entity entity;
  size_t position = 0;
  std::string current;
  auto finish = [&] {
    const size_t colon = current.find(':');
    if (colon != std::string::npos) {
      size_t start = colon + 1;
      while (start < current.size() && (current[start] == ' ' || current[start] == '\t')) ++start;
      entity.headers.emplace(lower(current.substr(0, colon)), current.substr(start));
    }
    current.clear();
  };
  while (position < bytes.size()) {
    size_t end = bytes.find('\n', position);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(position, end - position);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    position = end + 1;
    if (line.empty()) break;
    if ((line[0] == ' ' || line[0] == '\t') && !current.empty()) {
      current += line;  // unfolding drops only the line break
    } else {
      finish();
      current = line;
    }
  }
  finish();
  entity.body = position < bytes.size() ? bytes.substr(position) : std::string();
  return entity;
}

// A parameter of a structured header such as Content-Type ("boundary", "charset", "name").
std::string parameter(const std::string& value, const std::string& name) {
  const std::string lowered = lower(value);
  size_t at = 0;
  while ((at = lowered.find(name + "=", at)) != std::string::npos) {
    if (at == 0 || lowered[at - 1] == ';' || lowered[at - 1] == ' ' || lowered[at - 1] == '\t') {
      size_t start = at + name.size() + 1;
      if (start < value.size() && value[start] == '"') {
        std::string text;
        for (size_t i = start + 1; i < value.size() && value[i] != '"'; ++i) {
          if (value[i] == '\\' && i + 1 < value.size()) ++i;
          text += value[i];
        }
        return text;
      }
      size_t end = value.find(';', start);
      std::string text = value.substr(start, end == std::string::npos ? std::string::npos : end - start);
      while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
      return text;
    }
    at += name.size();
  }
  return {};
}

std::string headerOf(const Entity& entity, const char* name) {
  const auto found = entity.headers.find(name);
  return found == entity.headers.end() ? std::string() : found->second;
}

std::string decodedBody(const Entity& entity) {
  const std::string encoding = lower(headerOf(entity, "content-transfer-encoding"));
  if (encoding == "base64") return unbase64(entity.body);
  if (encoding == "quoted-printable") return unquotedPrintable(entity.body);
  return entity.body;
}

void readEntity(const Entity& entity, Message& message, bool& haveText) {
  const std::string type = headerOf(entity, "content-type");
  const std::string mediaType = lower(type.substr(0, type.find(';')));
  if (mediaType.rfind("multipart/", 0) == 0) {
    const std::string delimiter = "--" + parameter(type, "boundary");
    size_t at = entity.body.find(delimiter);
    while (at != std::string::npos) {
      size_t start = entity.body.find('\n', at);
      if (start == std::string::npos || entity.body.compare(at + delimiter.size(), 2, "--") == 0) break;
      ++start;
      size_t next = entity.body.find("\n" + delimiter, start);
      if (next == std::string::npos) break;
      // The line break before a delimiter belongs to the delimiter.
      size_t end = next > start && entity.body[next - 1] == '\r' ? next - 1 : next;
      readEntity(splitEntity(entity.body.substr(start, end - start)), message, haveText);
      at = next + 1;
    }
    return;
  }
  std::string fileName = parameter(headerOf(entity, "content-disposition"), "filename");
  if (fileName.empty()) fileName = parameter(type, "name");
  const bool attachment = !fileName.empty() || lower(headerOf(entity, "content-disposition")).rfind("attachment", 0) == 0;
  if (!attachment && !haveText && (mediaType.empty() || mediaType == "text/plain")) {
    std::string charset = parameter(type, "charset");
    if (charset.empty()) charset = "us-ascii";
    message.charset = fromBytes(charset, L"us-ascii");
    message.textBody = fromBytes(decodedBody(entity), message.charset);
    haveText = true;
  } else if (attachment) {
    message.attachments.push_back({decodeHeaderValue(fileName), decodedBody(entity)});
  }
}

}  // namespace

std::string write(const Message& message, const std::string& date, const std::string& messageId) {
  std::string out = header("From", message.from) + header("To", message.to);
  if (!message.replyTo.empty()) out += header("Reply-To", message.replyTo);
  out += header("Subject", message.subject) + "Date: " + date + "\r\nMessage-ID: <" + messageId + ">\r\nMIME-Version: 1.0\r\n";
  if (message.attachments.empty()) return out + textPart(message);
  const std::string boundary = "----=_Part_" + messageId;
  out += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\nThis is a multi-part message in MIME format.\r\n";
  out += "\r\n--" + boundary + "\r\n" + textPart(message);
  for (const Attachment& attachment : message.attachments) {
    const std::string name = quotedName(attachment.fileName);
    out += "\r\n--" + boundary + "\r\nContent-Type: application/octet-stream; name=" + name +
           "\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=" + name + "\r\n\r\n" +
           base64(attachment.content, 76) + "\r\n";
  }
  return out + "\r\n--" + boundary + "--\r\n";
}

Message read(const std::string& bytes) {
  const Entity entity = splitEntity(bytes);
  Message message;
  message.from = decodeHeaderValue(headerOf(entity, "from"));
  message.to = decodeHeaderValue(headerOf(entity, "to"));
  message.replyTo = decodeHeaderValue(headerOf(entity, "reply-to"));
  message.subject = decodeHeaderValue(headerOf(entity, "subject"));
  bool haveText = false;
  readEntity(entity, message, haveText);
  return message;
}

}  // namespace mime
