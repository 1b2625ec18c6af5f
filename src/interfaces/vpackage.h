#pragma once
// The control panel's interface of an installable package. The order of declaration is
// the slot order the panel calls by.

#include <map>
#include <string>

class VPackage {
 public:
  virtual std::string GetName() = 0;           // 0
  virtual std::wstring GetDescription() = 0;   // 1
  virtual std::wstring GetVersion() = 0;       // 2
  // 3: the panel's deleting destructor, a single slot taking a flags word: bit 0 set frees
  // the object, clear only ends its life. (A virtual destructor here would take two slots.)
  virtual void destroy(unsigned flags) = 0;
  virtual void Configure(bool enable) = 0;     // 4
  virtual void Update() = 0;                   // 5
  virtual void SaveSettings() = 0;             // 6
  virtual std::wstring GetProperty(const std::wstring& name) = 0;                          // 7
  virtual bool SetProperties(const std::map<std::wstring, std::wstring>& properties) = 0;  // 8
  virtual bool IsPropertySupported(const std::wstring& name) = 0;                          // 9
  virtual bool IsAvailable() = 0;                                                          // 10
  virtual std::wstring GetStatus() = 0;                                                    // 11

  void release() { destroy(1); }

 protected:
  ~VPackage() = default;
};
