#pragma once
// The account property that names a mailing list's member file depends on the mail
// server's version; the version is read once per process.

namespace Dravo {

const wchar_t* listFileProperty();

}  // namespace Dravo
