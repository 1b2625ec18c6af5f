// The objects a message hands out: its text body part and attachments, the attachment
// collection, the configuration with its fields.

#include "message_parts.h"

#include <mutex>

#include "harness.h"
#include "identity.h"

namespace {

// The text body part (index npos) or one attachment.
class BodyPart final : public DispatchObject {
 public:
  BodyPart(SharedState state, size_t index)
      : DispatchObject(L"BodyPart", {{L"Charset", Access::getPut}, {L"FileName", Access::get}}),
        state_(std::move(state)), index_(index) {}

 protected:
  void get(const std::wstring& member, const std::vector<VARIANT>&, VARIANT* result) override {
    std::lock_guard lock(serverLock());
    if (member == L"Charset") {
      returnText(index_ == npos ? state_->message.charset : L"", result);
    } else if (index_ != npos && index_ < state_->message.attachments.size()) {
      returnText(state_->message.attachments[index_].fileName, result);
    } else {
      V_VT(result) = VT_NULL;  // the text part has no file name
    }
  }
  void put(const std::wstring& member, const VARIANT& value) override {
    const std::wstring charset = textOf(value);
    if (member != L"Charset" || index_ != npos) throw Failure{E_NOTIMPL, L"Only the text part's charset can be set"};
    std::lock_guard lock(serverLock());
    state_->message.charset = charset;
  }

 private:
  static constexpr size_t npos = static_cast<size_t>(-1);
  SharedState state_;
  size_t index_;
};

class Attachments final : public DispatchObject {
 public:
  explicit Attachments(SharedState state)
      : DispatchObject(L"Attachments", {{L"Count", Access::get}, {L"Item", Access::get}}), state_(std::move(state)) {}

 protected:
  void get(const std::wstring& member, const std::vector<VARIANT>& arguments, VARIANT* result) override {
    size_t count;
    {
      std::lock_guard lock(serverLock());
      count = state_->message.attachments.size();
    }
    if (member == L"Count") return returnNumber(static_cast<long>(count), result);
    if (arguments.size() != 1) throw Failure{DISP_E_BADPARAMCOUNT, L"Item takes one index"};
    const long index = numberOf(arguments[0]);
    if (index < 1 || static_cast<size_t>(index) > count) throw Failure{DISP_E_BADINDEX, L"No attachment of that index"};
    returnObject(new BodyPart(state_, static_cast<size_t>(index - 1)), result);
  }

 private:
  SharedState state_;
};

class Field final : public DispatchObject {
 public:
  Field(SharedState state, std::wstring name)
      : DispatchObject(L"Field", {{L"Value", Access::getPut}, {L"Name", Access::get}}),
        state_(std::move(state)), name_(std::move(name)) {}

 protected:
  void get(const std::wstring& member, const std::vector<VARIANT>&, VARIANT* result) override {
    if (member == L"Name") return returnText(name_, result);
    std::lock_guard lock(serverLock());
    const auto found = state_->fields.find(name_);
    if (found != state_->fields.end() && !writeResult(found->second, result)) throw std::bad_alloc();
  }
  void put(const std::wstring&, const VARIANT& value) override {
    const auto kept = readArgument(value);
    if (!kept) throw Failure{DISP_E_TYPEMISMATCH, L"A field takes a string or a number"};
    std::lock_guard lock(serverLock());
    state_->fields[name_] = *kept;
  }
  std::wstring journalSuffix() const override { return L"(" + name_ + L")"; }

 private:
  SharedState state_;
  std::wstring name_;
};

class Fields final : public DispatchObject {
 public:
  explicit Fields(SharedState state)
      : DispatchObject(L"Fields", {{L"Item", Access::get}, {L"Update", Access::method}, {L"Count", Access::get}}),
        state_(std::move(state)) {}

 protected:
  void get(const std::wstring& member, const std::vector<VARIANT>& arguments, VARIANT* result) override {
    if (member == L"Count") {
      std::lock_guard lock(serverLock());
      return returnNumber(static_cast<long>(state_->fields.size()), result);
    }
    if (arguments.size() != 1) throw Failure{DISP_E_BADPARAMCOUNT, L"Item takes one field name"};
    returnObject(new Field(state_, textOf(arguments[0])), result);
  }
  void call(const std::wstring&, const std::vector<VARIANT>&, VARIANT*) override {
    std::lock_guard lock(serverLock());
    state_->committed = state_->fields;
  }

 private:
  SharedState state_;
};

class Configuration final : public DispatchObject {
 public:
  explicit Configuration(SharedState state)
      : DispatchObject(L"Configuration", {{L"Fields", Access::get}}), state_(std::move(state)) {}

 protected:
  void get(const std::wstring&, const std::vector<VARIANT>&, VARIANT* result) override {
    returnObject(new Fields(state_), result);
  }

 private:
  SharedState state_;
};

}  // namespace

IDispatch* newTextBodyPart(const SharedState& state) { return new BodyPart(state, static_cast<size_t>(-1)); }
IDispatch* newAttachmentPart(const SharedState& state, size_t index) { return new BodyPart(state, index); }
IDispatch* newAttachments(const SharedState& state) { return new Attachments(state); }
IDispatch* newConfiguration(const SharedState& state) { return new Configuration(state); }
