#include "framework/invocation.h"

namespace mailmgr {

Invocation::Invocation(ParsedLine line) : line_(std::move(line)) {
  const auto dll = option(L"dll");
  modulePath_ = dll ? absolutePath(*dll) : defaultModulePath();
}

const std::wstring& Invocation::argument(std::size_t index) const {
  static const std::wstring none;
  return index < line_.arguments.size() ? line_.arguments[index] : none;
}

std::optional<std::wstring> Invocation::option(std::wstring_view name) const {
  const auto found = line_.options.find(name);
  if (found == line_.options.end()) return std::nullopt;
  return found->second;
}

MailProvider& Invocation::provider() {
  if (!host_) host_.emplace(modulePath_);
  return host_->provider();
}

}  // namespace mailmgr
