// Mailing lists stored through the archive's own XML storage: the list file's bytes, the
// attributes read back, and refusals that change nothing. The calls the host's storage sees
// are pinned by the conformance program.

#include <gtest/gtest.h>

#include <initializer_list>

#include "archive/mail_archive.h"
#include "archive/xml_mail_storage.h"
#include "mail_objects_test.h"
#include "mailobjects/dravo_mail_list.h"
#include "mailobjects/list_file_property.h"
#include "provider/dravo_provider.h"

namespace {

using namespace Dravo;

class MailListArchiveTest : public MailObjectsTest {
 protected:
  void SetUp() override { DravoMailList(L"news", L"example.com", L"owner@example.com"); }
  fs::path listFile() const { return configDir(L"example.com\\news.txt"); }
  static StringList members() {
    StringList found;
    DravoMailList(L"news", L"example.com").members(found);
    return found;
  }
  // A stored "maillist" element: its attributes as XML text, one "listmember" per address.
  static std::string element(const std::string& attributes, std::initializer_list<const char*> addresses) {
    std::string xml = "<maillist " + attributes + ">";
    for (const char* address : addresses) xml += std::string("<listmember email=\"") + address + "\"/>";
    return xml + "</maillist>";
  }
  // The list dumped into a fresh description, as the saved XML text.
  std::string dumped() {
    ComPtr<IXMLDOMDocument> document = newXmlDocument();
    ComPtr<IXMLDOMElement> root = createElement(*document.get(), L"maillist");
    appendChild(*document.get(), *root.get());
    XmlStorageWriter writer(document, root, archive);
    DravoMailList(L"news", L"example.com").dump(writer);
    saveXml(*document.get(), scratch / L"dumped.xml");
    return ScratchDir::content(scratch / L"dumped.xml");
  }
  void restore(const std::string& xml) {
    ComPtr<IXMLDOMDocument> document = vxmlLoad(scratch.file(L"stored.xml", xml), false, false);
    XmlStorageReader reader(documentElement(*document.get()), archive);
    DravoMailList(L"news", L"example.com").restore(reader);
  }
  ScratchDir scratch;
  MailArchive archive{true, scratch / L"unused"};
};

TEST_F(MailListArchiveTest, RoundTripBringsOwnerAndMembersBack) {
  EXPECT_NE(dumped().find("<maillist Version=\"1.0\" Server=\"Dravo\" adminEmail=\"owner@example.com\"/>"), std::string::npos)
      << "a list file never written: the three attributes only";
  {
    DravoMailList list(L"news", L"example.com");
    for (const wchar_t* address : {L"a@x.org", L"b@x.org", L"a@x.org", L"j\u00f6rg@x.org"}) list.addMember(address);
  }
  const std::string original = fileBytes(listFile());
  const std::string stored = dumped();
  DravoProvider().removeMailList(L"news", L"example.com");
  fs::remove(listFile());
  DravoMailList(L"news", L"example.com", L"someone@else.org").addMember(L"stale@x.org");
  DravoAccount(L"news", L"example.com").setStrProp(listFileProperty(), L"elsewhere\\news.txt");

  restore(stored);
  EXPECT_EQ(fileBytes(listFile()), original) << "the file is replaced, byte for byte";
  EXPECT_EQ(DravoMailList(L"news", L"example.com").adminEMail(), L"owner@example.com");
  EXPECT_EQ(DravoAccount(L"news", L"example.com").getStrProp(listFileProperty()), L"example.com\\news.txt");
  EXPECT_EQ(members(), (StringList{L"a@x.org", L"b@x.org", L"a@x.org", L"j\u00f6rg@x.org"}));

  SCOPED_TRACE("a list of a disabled domain");
  DravoDomain(L"example.com").enable(false);
  server.failLastErr(L"Save", 2, -5);  // the save of the list-file name, after the owner's
  EXPECT_NO_THROW(restore(element(R"(Version="1.0" Server="Dravo")", {"c@x.org"}))) << "it has no failure of its own";
  EXPECT_EQ(fileBytes(configDir(L"example.com.d\\news.txt")), "c@x.org\r\n");
  EXPECT_EQ(DravoMailList(L"news", L"example.com").adminEMail(), L"") << "an absent attribute reads empty";
}

TEST_F(MailListArchiveTest, BracketedAddressesOfVersionlessArchives) {
  restore(element(R"(Server="Velmar" adminEmail="boss@example.com")",
                  {"[SMTP:a@x.org]", "b@x.org", "[SMTP:]", "[smtp:c@x.org]"}));
  EXPECT_EQ(fileBytes(listFile()), "a@x.org\r\nb@x.org\r\n\r\n[smtp:c@x.org]\r\n");
  EXPECT_EQ(members(), (StringList{L"a@x.org", L"b@x.org", L"[smtp:c@x.org]"}));
  EXPECT_EQ(DravoMailList(L"news", L"example.com").adminEMail(), L"boss@example.com");

  restore(element(R"(Server="Velmar" Version="1.0")", {"[SMTP:a@x.org]"}));
  EXPECT_EQ(members(), StringList{L"[SMTP:a@x.org]"}) << "with a version the value is used as it stands";
  restore(element("", {"[SMTP:d@x.org]"}));
  EXPECT_EQ(members(), StringList{L"d@x.org"}) << "no Server and no Version";
}

TEST_F(MailListArchiveTest, ForeignServerOrUnknownVersionChangesNothing) {
  DravoMailList(L"news", L"example.com").addMember(L"kept@x.org");
  const std::string before = fileBytes(listFile());
  server.clearJournal();
  restore(element(R"(Server="Other" adminEmail="x@y.z")", {"a@x.org"}));
  EXPECT_EQ(server.count(L"Account.Save()"), 0u);
  EXPECT_EQ(fileBytes(listFile()), before);

  for (const std::string version : {"2.0", "1.00", "1.0 "}) {
    EXPECT_EQ(raised([&] { restore(element(R"(Server="Dravo" adminEmail="x@y.z" Version=")" + version + "\"", {"a@x.org"})); }),
              L"Run-Time error: Can't restore mail list. Unknown version " + std::wstring(version.begin(), version.end()) + L" @ Dravo::DravoMailList::restore");
  }
  EXPECT_EQ(fileBytes(listFile()), before);
  EXPECT_EQ(DravoMailList(L"news", L"example.com").adminEMail(), L"owner@example.com");
}

}  // namespace
