#include "platform/access_list.h"

#include <new>
#include <stdexcept>

void AccessList::add(const VSID& sid, DWORD mask, bool isGroup) { addEntry(accessEntry, sid, mask, isGroup); }

void AccessList::addEntry(Kind kind, const VSID& sid, DWORD mask, bool isGroup) {
  Entry& entry = entries_.emplace_back(Entry{kind, {}, sid});
  entry.access.grfAccessPermissions = mask;
  entry.access.grfAccessMode = SET_ACCESS;
  entry.access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
  entry.access.Trustee.pMultipleTrustee = nullptr;
  entry.access.Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
  entry.access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  entry.access.Trustee.TrusteeType = isGroup ? TRUSTEE_IS_GROUP : TRUSTEE_IS_USER;
  entry.access.Trustee.ptstrName = static_cast<LPWSTR>(entry.sid.get());
}

std::unique_ptr<EXPLICIT_ACCESSW[]> AccessList::toArray(ULONG& count, PSID& owner, PSID& group) const {
  count = 0;
  owner = group = nullptr;
  for (const Entry& entry : entries_) {
    if (entry.kind == accessEntry)
      ++count;
    else if (entry.kind == ownerEntry)
      owner = entry.sid.get();
    else
      group = entry.sid.get();
  }
  if (count == 0) return nullptr;
  std::unique_ptr<EXPLICIT_ACCESSW[]> array(new (std::nothrow) EXPLICIT_ACCESSW[count]);
  if (!array) throw std::overflow_error("Out of memory");
  ULONG i = 0;
  for (const Entry& entry : entries_) {
    if (entry.kind == accessEntry) array[i++] = entry.access;
  }
  return array;
}
