#include "platform/caller_token.h"

#include "platform/exceptions.h"

KernelHandle openCallerToken(DWORD access, bool openAsSelf, const char* function, std::uint32_t threadLine,
                             std::uint32_t processLine) {
  KernelHandle token;
  if (OpenThreadToken(GetCurrentThread(), access, openAsSelf, token.put())) return token;
  const DWORD error = GetLastError();
  if (error != ERROR_NO_TOKEN) throwOsError(L"OpenThreadToken", error, site(function, threadLine));
  if (!OpenProcessToken(GetCurrentProcess(), access, token.put())) {
    throwOsError(L"OpenProcessToken", GetLastError(), site(function, processLine));
  }
  return token;
}
