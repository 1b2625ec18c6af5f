#pragma once
// An archive element held in memory: a test double of both storage forms in one object. It keeps attributes and appended children, and walks children by name at any
// depth as the archive does. Files and directories are not part of it.

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "archive/mail_storage.h"

class MemoryStorage final : public MailStorageWriter, public MailStorageReader {
 public:
  struct Element {
    std::wstring tag;
    std::vector<std::pair<std::wstring, std::wstring>> attributes;
    std::vector<std::shared_ptr<Element>> children;
  };

  explicit MemoryStorage(const std::wstring& tag) : element_(std::make_shared<Element>(Element{tag, {}, {}})) {}
  explicit MemoryStorage(std::shared_ptr<Element> element) : element_(std::move(element)) {}

  Element& element() const { return *element_; }

  void setAttribute(const std::wstring& name, const std::wstring& value) override {
    for (auto& attribute : element_->attributes) {
      if (attribute.first == name) {
        attribute.second = value;
        return;
      }
    }
    element_->attributes.emplace_back(name, value);
  }
  void appendChild(MailStorageWriter& child) override {
    element_->children.push_back(dynamic_cast<MemoryStorage&>(child).element_);
  }
  void putFile(const std::wstring&, const std::wstring&) override { throw std::logic_error("no files in memory"); }
  void putDirectory(const std::wstring&, const std::wstring&, const StringList&) override {
    throw std::logic_error("no directories in memory");
  }
  void putDirectory(const std::wstring&, const std::wstring&) override {
    throw std::logic_error("no directories in memory");
  }
  MailStorageWriter* createChild(const std::wstring& tagName) override { return new MemoryStorage(tagName); }
  void destroy() override { delete this; }

  std::wstring getAttribute(const std::wstring& name) override {
    for (const auto& attribute : element_->attributes) {
      if (attribute.first == name) return attribute.second;
    }
    return {};
  }
  MailStorageReader* firstChild(const std::wstring& tagName) override {
    found_.clear();
    collect(*element_, tagName);
    position_ = 0;
    return nextChild();
  }
  MailStorageReader* nextChild() override {
    if (position_ >= found_.size()) return nullptr;
    return new MemoryStorage(found_[position_++]);
  }
  void getDirectory(const std::wstring&, const std::wstring&) override {
    throw std::logic_error("no directories in memory");
  }

 private:
  void collect(const Element& parent, const std::wstring& tagName) {
    for (const auto& child : parent.children) {
      if (child->tag == tagName) found_.push_back(child);
      collect(*child, tagName);
    }
  }

  std::shared_ptr<Element> element_;
  std::vector<std::shared_ptr<Element>> found_;
  std::size_t position_ = 0;
};
