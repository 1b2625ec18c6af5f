// A stand-in for "ADODB.Stream" with what loading a stored message needs: Open, Charset,
// LoadFromFile, ReadText, Position, Size and Close. Wine's own stream class cannot be
// driven by name (its type library does not load), so DllRegisterServer points that ProgID
// here as well.

#include <algorithm>

#include "dispatch_object.h"
#include "message_state.h"
#include "stored_message.h"

namespace {

class TextStream final : public DispatchObject {
 public:
  TextStream()
      : DispatchObject(L"Stream", {{L"Open", Access::method},
                                   {L"Close", Access::method},
                                   {L"Charset", Access::getPut},
                                   {L"LoadFromFile", Access::method},
                                   {L"ReadText", Access::method},
                                   {L"Position", Access::getPut},
                                   {L"Size", Access::get}}) {}

 protected:
  void get(const std::wstring& member, const std::vector<VARIANT>&, VARIANT* result) override {
    if (member == L"Charset") return returnText(charset_, result);
    if (member == L"Position") return returnNumber(static_cast<long>(position_), result);
    returnNumber(static_cast<long>(bytes_.size()), result);
  }
  void put(const std::wstring& member, const VARIANT& value) override {
    if (member == L"Charset") {
      charset_ = textOf(value);
      return;
    }
    const long position = numberOf(value);
    if (position < 0 || static_cast<size_t>(position) > bytes_.size()) throw Failure{E_INVALIDARG, L"Position out of range"};
    position_ = static_cast<size_t>(position);
  }
  void call(const std::wstring& member, const std::vector<VARIANT>& arguments, VARIANT* result) override {
    if (member == L"Open" || member == L"Close") {
      open_ = member == L"Open";
      bytes_.clear();
      position_ = 0;
      return;
    }
    if (!open_) throw Failure{static_cast<HRESULT>(0x800A0E78), L"The stream is not open"};
    if (member == L"LoadFromFile") {
      if (arguments.size() != 1) throw Failure{DISP_E_BADPARAMCOUNT, L"LoadFromFile takes a path"};
      bytes_ = readAttachment(textOf(arguments[0])).content;
      position_ = 0;
      return;
    }
    // ReadText: a count, or -1 (also when left out) for everything from the position.
    const long count = arguments.empty() ? -1 : numberOf(arguments[0]);
    const size_t available = bytes_.size() - position_;
    const size_t taken = count < 0 ? available : std::min(available, static_cast<size_t>(count));
    const std::string chunk = bytes_.substr(position_, taken);
    position_ += taken;
    std::wstring text;
    for (unsigned char c : chunk) text += static_cast<wchar_t>(c);  // a byte a character, as 8-bit text
    returnText(text, result);
  }

 private:
  std::wstring charset_ = L"Unicode";
  std::string bytes_;
  size_t position_ = 0;
  bool open_ = false;
};

}  // namespace

IDispatch* newTextStream() { return new TextStream; }
