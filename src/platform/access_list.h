#pragma once
// Access entries to merge into an object's access-control list, each holding its own
// copy of the SID its trustee names.

#include <windows.h>
#include <aclapi.h>

#include <list>
#include <memory>

#include "platform/vsid.h"

class AccessList {
 public:
  enum Kind { accessEntry = 1, ownerEntry = 2, groupEntry = 3 };

  AccessList() = default;
  // Trustees point into the entries, so a list is not copied.
  AccessList(const AccessList&) = delete;
  AccessList& operator=(const AccessList&) = delete;

  // Sets `mask` for the trustee, inherited by sub-folders and files.
  void add(const VSID& sid, DWORD mask, bool isGroup);
  void setOwner(const VSID& sid) { addEntry(ownerEntry, sid, 0, false); }
  void setGroup(const VSID& sid) { addEntry(groupEntry, sid, 0, true); }

  // The access entries in list order (none and count 0 for an empty list), and the
  // owner's and group's SIDs or null. Valid while the list lives.
  std::unique_ptr<EXPLICIT_ACCESSW[]> toArray(ULONG& count, PSID& owner, PSID& group) const;

 private:
  struct Entry {
    Kind kind;
    EXPLICIT_ACCESSW access;
    VSID sid;
  };
  void addEntry(Kind kind, const VSID& sid, DWORD mask, bool isGroup);

  std::list<Entry> entries_;  // stable addresses for the trustees' SID pointers
};
