#pragma once
// The account property that names a mailing list's member file depends on the mail
// server's version; the version is read once per process.

namespace Dravo {

struct MailServerVersion {
  int major = 7;  // also when the registry holds no version
  int minor = 0;
};

// The version as the registry gives it now; not cached.
MailServerVersion readMailServerVersion();
// The version read on first use, kept for the life of the process.
const MailServerVersion& mailServerVersion();

const wchar_t* listFilePropertyFor(int major);
const wchar_t* listFileProperty();

}  // namespace Dravo
