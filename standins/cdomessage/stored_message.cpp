#include "stored_message.h"

#include "dispatch_object.h"
#include "identity.h"
#include "platform/com_owners.h"
#include "platform/owner.h"

mime::Attachment readAttachment(const std::wstring& path) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) throw DispatchObject::Failure{HRESULT_FROM_WIN32(GetLastError()), L"Cannot open the attachment " + path};
  mime::Attachment attachment;
  const size_t slash = path.find_last_of(L"\\/");
  attachment.fileName = slash == std::wstring::npos ? path : path.substr(slash + 1);
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) attachment.content.append(buffer, read);
  return attachment;
}

std::string streamText(const VARIANT& source) {
  const VARIANT* held = V_VT(&source) == (VT_VARIANT | VT_BYREF) ? V_VARIANTREF(&source) : &source;
  IUnknown* unknown = nullptr;
  switch (V_VT(held)) {
    case VT_DISPATCH: unknown = V_DISPATCH(held); break;
    case VT_UNKNOWN: unknown = V_UNKNOWN(held); break;
    case VT_DISPATCH | VT_BYREF: unknown = *V_DISPATCHREF(held); break;
    case VT_UNKNOWN | VT_BYREF: unknown = *V_UNKNOWNREF(held); break;
    default: break;
  }
  ComPtr<IDispatch> stream;
  if (!unknown || FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(stream.put())))) {
    throw DispatchObject::Failure{E_NOINTERFACE, L"The source is not a stream object"};
  }
  LPOLESTR name = const_cast<LPOLESTR>(L"ReadText");
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = stream->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_SYSTEM_DEFAULT, &id);
  VARIANT all;
  VariantInit(&all);
  V_VT(&all) = VT_I4;
  V_I4(&all) = -1;  // everything from the current position
  DISPPARAMS parameters{&all, nullptr, 1, 0};
  Variant text;
  if (SUCCEEDED(hr)) hr = stream->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &parameters, text.put(), nullptr, nullptr);
  if (FAILED(hr) || text.type() != VT_BSTR) throw DispatchObject::Failure{unreadableSource, L"The stream could not be read"};
  std::string bytes;
  const BSTR b = V_BSTR(text.get());
  for (UINT i = 0, n = b ? SysStringLen(b) : 0; i < n; ++i) bytes += b[i] < 0x100 ? static_cast<char>(b[i]) : '?';
  return bytes;
}
