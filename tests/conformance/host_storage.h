#pragma once
// The host's archive storage in both forms: the writer logs every call, the reader serves a
// tree of elements built by the test and logs the same way.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "conformance/host_tables.h"

namespace host {

using Log = std::vector<std::wstring>;

class LogWriter final : public StorageWriter {
 public:
  LogWriter(Log& log, WString tag) : log_(log), tag_(std::move(tag)) {}

  void setAttribute(const WString& name, const WString& value) override { note(L"set " + name + L"=" + value); }
  void appendChild(StorageWriter& child) override { note(L"append " + static_cast<LogWriter&>(child).tag_); }
  void putFile(const WString& arcname, const WString& path) override { note(L"file " + arcname + L" " + path); }
  void putDirectory(const WString& arcname, const WString& path, const Strings& exclusions) override {
    WString without;
    for (const WString& name : exclusions) without += L" -" + name;
    note(L"directory " + arcname + L" " + path + without);
  }
  void putDirectory(const WString& arcname, const WString& path) override { note(L"directory " + arcname + L" " + path); }
  StorageWriter* createChild(const WString& tagName) override {
    note(L"create " + tagName);
    return new LogWriter(log_, tagName);
  }
  void destroy() override {
    note(L"destroy");
    delete this;
  }

 private:
  void note(const WString& what) { log_.push_back(tag_ + L": " + what); }
  Log& log_;
  WString tag_;
};

struct Element {
  WString tag;
  std::map<WString, WString> attributes;
  std::vector<Element> children;
};

class TreeReader final : public StorageReader {
 public:
  TreeReader(Log& log, const Element& element) : log_(log), element_(element) {}

  WString getAttribute(const WString& name) override {
    note(L"get " + name);
    const auto found = element_.attributes.find(name);
    return found == element_.attributes.end() ? WString() : found->second;
  }
  StorageReader* firstChild(const WString& tagName) override {
    note(L"first " + tagName);
    found_.clear();
    for (const Element& child : element_.children)
      if (child.tag == tagName) found_.push_back(&child);
    position_ = 0;
    return next();
  }
  StorageReader* nextChild() override {
    note(L"next");
    return next();
  }
  void getDirectory(const WString& arcname, const WString& path) override { note(L"directory " + arcname + L" " + path); }
  void destroy() override {
    note(L"destroy");
    delete this;
  }

 private:
  StorageReader* next() { return position_ < found_.size() ? new TreeReader(log_, *found_[position_++]) : nullptr; }
  void note(const WString& what) { log_.push_back(element_.tag + L": " + what); }
  Log& log_;
  const Element& element_;
  std::vector<const Element*> found_;
  std::size_t position_ = 0;
};

}  // namespace host
