#include "desktop/lock_screen.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "desktop/md5.h"

namespace kelvarion {
namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

struct DigestCase {
  std::string input;
  const char* digest;  // lower case, as published
};

TEST(Md5, DigestsOfTheRfcSuiteAndBlockBoundaries) {
  const DigestCase cases[] = {
      // The test suite of RFC 1321, appendix A.5.
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
      // Lengths where the padding needs a second block or the data fills
      // blocks exactly (md5sum's answers).
      {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
      {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
      {std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
      {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
      {std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"},
      {std::string(119, 'a'), "8a7bd0732ed6a28ce75f6dabc90e1613"},
      {std::string(120, 'a'), "5f61c0ccad4cac44c75ff505e1f1e537"},
      {std::string(128, 'a'), "e510683b3f5ffe4093d021808bc6ff70"},
      // Bytes of 0x80 and above: a Chinese password in code page 936.
      {"\xCB\xF8\xC6\xC1\xC3\xDC\xC2\xEB", "f8974baf0f132ee6dc7239230242f315"},
  };
  for (const DigestCase& c : cases) {
    EXPECT_EQ(Md5HexUpper(c.input), Upper(c.digest)) << "digest of " << c.input.size() << " bytes";
  }
}

TEST(Md5, BytesAreTheDigestInOrder) {
  const auto bytes = Md5Digest("abc");
  EXPECT_EQ(bytes[0], 0x90);
  EXPECT_EQ(bytes[1], 0x01);
  EXPECT_EQ(bytes[15], 0x72);
}

TEST(LockScreen, PasswordIsStoredAs32UpperCaseDigits) {
  EXPECT_EQ(LockPasswordDigest("锁屏密码"), "F8974BAF0F132EE6DC7239230242F315");
  EXPECT_TRUE(HasLockPassword(LockPasswordDigest("")));
  EXPECT_FALSE(HasLockPassword(""));
  EXPECT_FALSE(HasLockPassword(std::string(31, 'A')));
}

struct PasswordCase {
  const char* what;
  std::string stored;
  std::string password;
  bool change;
  std::string newPassword;
  std::string newAgain;
  LockPasswordOutcome outcome;
  std::string newStored;
};

TEST(LockScreen, PasswordDialogOutcomes) {
  const std::string abc = "900150983CD24FB0D6963F7D28E17F72";
  using O = LockPasswordOutcome;
  const PasswordCase cases[] = {
      {"nothing stored, empty password", "", "", false, "", "", O::kUnlock, ""},
      {"nothing stored, any other password", "", "abc", false, "", "", O::kWrong, ""},
      {"nothing stored, only blanks typed", "", " ", false, "", "", O::kWrong, ""},
      {"right password", abc, "abc", false, "", "", O::kUnlock, ""},
      {"other letter case", abc, "ABC", false, "", "", O::kWrong, ""},
      {"empty password with one stored", abc, "", false, "", "", O::kWrong, ""},
      {"lower-case stored digest never matches", "900150983cd24fb0d6963f7d28e17f72", "abc", false, "", "",
       O::kWrong, ""},
      {"stored text that is no digest", "Y", "", false, "", "", O::kWrong, ""},
      {"first password set with the empty one", "", "", true, "新密码", "新密码", O::kUnlockNewStored,
       "8B3821304F34AFDDF40CD415149290EF"},
      {"changed", abc, "abc", true, "a", "a", O::kUnlockNewStored, "0CC175B9C0F1B6A831C399E269772661"},
      {"new passwords differ", abc, "abc", true, "a", "b", O::kNewDiffers, ""},
      {"differ only in case", abc, "abc", true, "a", "A", O::kNewDiffers, ""},
      {"new password empty", abc, "abc", true, "", "", O::kNewEmpty, ""},
      {"wrong password wins over new ones that differ", abc, "x", true, "a", "b", O::kWrong, ""},
  };
  for (const PasswordCase& c : cases) {
    const LockPasswordAnswer answer = CheckLockPassword(c.stored, c.password, c.change, c.newPassword, c.newAgain);
    EXPECT_EQ(answer.outcome, c.outcome) << c.what;
    EXPECT_EQ(answer.newStored, c.newStored) << c.what;
  }
}

TEST(LockScreen, StartFollowsTheWindowsThatExist) {
  EXPECT_EQ(ChooseLockStart(false, false), LockStart::kMain);
  EXPECT_EQ(ChooseLockStart(false, true), LockStart::kMain);
  EXPECT_EQ(ChooseLockStart(true, false), LockStart::kGuard);
  EXPECT_EQ(ChooseLockStart(true, true), LockStart::kRaiseGuard);
}

struct PartnerCase {
  const char* what;
  int role;
  bool visible;
  bool partnerExists;
  int roleAfter;
  bool show, retitle, startPartner;
};

TEST(LockScreen, PartnerCheck) {
  const PartnerCase cases[] = {
      {"main with its guard", kLockRoleMain, true, true, kLockRoleMain, false, false, false},
      {"hidden main shows itself", kLockRoleMain, false, true, kLockRoleMain, true, false, false},
      {"main without guard starts one", kLockRoleMain, true, false, kLockRoleMain, false, false, true},
      {"hidden main without guard", kLockRoleMain, false, false, kLockRoleMain, true, false, true},
      {"guard with its main", kLockRoleGuard, true, true, kLockRoleGuard, false, false, false},
      {"hidden guard is left hidden", kLockRoleGuard, false, true, kLockRoleGuard, false, false, false},
      {"guard takes over", kLockRoleGuard, true, false, kLockRoleMain, true, true, true},
  };
  for (const PartnerCase& c : cases) {
    const LockPartnerStep step = CheckLockPartner(c.role, c.visible, c.partnerExists);
    EXPECT_EQ(step.role, c.roleAfter) << c.what;
    EXPECT_EQ(step.show, c.show) << c.what;
    EXPECT_EQ(step.retitle, c.retitle) << c.what;
    EXPECT_EQ(step.startPartner, c.startPartner) << c.what;
  }
}

TEST(LockScreen, TitlesOfRoleAndPartner) {
  EXPECT_STREQ(LockWindowTitle(kLockRoleMain), "6666cd76f96956469e7be39d750cc7d9");
  EXPECT_STREQ(LockWindowTitle(kLockRoleGuard), "fcbaf14d6be23d33cce826286088180b");
  EXPECT_STREQ(LockPartnerTitle(kLockRoleMain), LockWindowTitle(kLockRoleGuard));
  EXPECT_STREQ(LockPartnerTitle(kLockRoleGuard), LockWindowTitle(kLockRoleMain));
}

}  // namespace
}  // namespace kelvarion
