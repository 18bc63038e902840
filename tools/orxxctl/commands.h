// Every orxxctl command, one function per form. Each gets the arguments after
// the command's words ("cert vcard A B" gives A and B) and returns the exit status.
#pragma once

#include "command.h"

namespace orxctl {

// cmd_encodings.cpp
int RunBase64Encode(const Arguments& arguments);
int RunBase64Decode(const Arguments& arguments);
int RunSha1(const Arguments& arguments);

// cmd_card.cpp
int RunCardCreate(const Arguments& arguments);
int RunCardInsert(const Arguments& arguments);
int RunCardRemove(const Arguments& arguments);

// cmd_cert.cpp, cmd_vcard.cpp
int RunCertShow(const Arguments& arguments);
int RunCertVCard(const Arguments& arguments);

// cmd_config.cpp
int RunConfigGet(const Arguments& arguments);
int RunConfigSet(const Arguments& arguments);
int RunConfigDelete(const Arguments& arguments);
int RunConfigKeys(const Arguments& arguments);

// cmd_file.cpp
int RunFileSign(const Arguments& arguments);
int RunFileVerify(const Arguments& arguments);
int RunFileEncrypt(const Arguments& arguments);
int RunFileDecrypt(const Arguments& arguments);
int RunFileImport(const Arguments& arguments);

// cmd_language.cpp
int RunText(const Arguments& arguments);
int RunLanguages(const Arguments& arguments);

// cmd_ldap.cpp
int RunLdapSearch(const Arguments& arguments);

// cmd_token.cpp
int RunTokenList(const Arguments& arguments);
int RunTokenGet(const Arguments& arguments);
int RunTokenEnum(const Arguments& arguments);
int RunTokenSet(const Arguments& arguments);
int RunTokenInvoke(const Arguments& arguments);
int RunTokenCerts(const Arguments& arguments);
int RunTokenPassword(const Arguments& arguments);

// cmd_softtoken.cpp
int RunTokenCreate(const Arguments& arguments);
int RunTokenInfo(const Arguments& arguments);
int RunTokenDelete(const Arguments& arguments);

}  // namespace orxctl
