// The steps of adding and removing a mailing-list member before the member file is written
// (its write is swept with the list files): each failure names its step and the file keeps
// every member it had.

#include <gtest/gtest.h>

#include "mail_objects_test.h"
#include "mailobjects/dravo_mail_list.h"
#include "mailobjects/list_file_property.h"
#include "platform/caught.h"

namespace {

using namespace Dravo;

class MemberFileFaultSweep : public MailObjectsTest {};

TEST_F(MemberFileFaultSweep, AddingAndRemovingFailBeforeTheWrite) {
  DravoMailList list(L"news", L"example.com", L"owner@example.com");
  const std::wstring path = configDir(L"example.com\\news.txt").wstring(), opening = L"Open file '" + path + L"'";
  const std::string members = "a@x.org\r\nb@x.org\r\n";
  const std::function<void()> changes[] = {[&] { list.addMember(L"c@x.org"); }, [&] { list.delMember(L"a@x.org"); }};
  for (const auto& change : changes) {
    writeBytes(path, members);
    server.failInvoke(L"GetProperty", 1, E_FAIL, L"store offline");  // the file's name
    EXPECT_EQ(anyFailureText(change), L"COM Error 80004005 (Call failed., store offline)");
    {
      const FileHandle held(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
      EXPECT_EQ(failureText(change), osText(ERROR_SHARING_VIOLATION, opening) + at("VFile::open", 87));
    }
    EXPECT_EQ(fileBytes(path), members);
  }
  // The list's file named anew, and the server refusing to save the name: nothing is written.
  fs::remove(path);
  DravoAccount(L"news", L"example.com").setStrProp(listFileProperty(), L"");
  server.failLastErr(L"Save", 1, -1);
  EXPECT_EQ(raised(changes[0]), L"Run-Time error: DravoCOM.AccountObject.Save failed to add member. Maillist name news @ Dravo::DravoMailList::addMember");
  EXPECT_FALSE(fs::exists(path));
}

}  // namespace
