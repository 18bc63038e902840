// The binding to the system's LDAP client library. It is loaded by the first
// connection and freed when the last one is closed, so a program that never
// searches a directory never maps it. The thin wrappers below check the connection
// and the entry point before every call, so callers need not.
#pragma once

#include <ldap.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orx {

// The client's own failure code (LDAP "other"): no connection, or the entry point
// is not bound.
inline constexpr int kLdapOther = 0x50;

// 0 when the library is bound (one reference taken), 1 when it is not.
int LdapLoad();
// Gives one reference back; the library is freed when none is left.
void LdapUnload();

// True while the open entry point is bound.
bool LdapCanOpen();

// One per entry point. Status wrappers answer kLdapOther, pointer wrappers
// nullptr, when given no connection or when the entry point is missing.
LDAP* LdapOpen(const char* host, int port);
int LdapUnbind(LDAP* ld);
int LdapSearch(LDAP* ld, const char* base, int scope, const char* filter, char** attributes,
               int attributesOnly);
int LdapResult(LDAP* ld, int messageId, int all, struct timeval* timeout, LDAPMessage** result);
int LdapMsgFree(LDAPMessage* message);
LDAPMessage* LdapFirstEntry(LDAP* ld, LDAPMessage* chain);
LDAPMessage* LdapNextEntry(LDAP* ld, LDAPMessage* entry);
int LdapCountEntries(LDAP* ld, LDAPMessage* chain);
// The names the library hands out, and its walk state, are the library's memory:
// give them back with LdapFreeName and LdapEndAttributes.
char* LdapFirstAttribute(LDAP* ld, LDAPMessage* entry, BerElement** walk);
char* LdapNextAttribute(LDAP* ld, LDAPMessage* entry, BerElement* walk);
struct berval** LdapGetValuesLen(LDAP* ld, LDAPMessage* entry, const char* attribute);
int LdapValueFreeLen(struct berval** values);
void LdapFreeName(char* name);
void LdapEndAttributes(BerElement* walk);

// Beyond the thirteen, looked up when present: what a failed wait left as the
// connection's result code (kLdapOther when it cannot be read), a bound on the
// size of one incoming message (false when it cannot be set), and how long a
// connection attempt may take, for every connection opened afterwards.
int LdapResultCode(LDAP* ld);
// The connection's socket, -1 when there is none or it cannot be read.
int LdapSocket(LDAP* ld);
bool LdapSetMaxIncoming(LDAP* ld, size_t bytes);
void LdapSetConnectTimeout(int seconds);

// Shared-object names tried in order when the library is loaded, in place of the
// system's names while not empty. The program never sets them; the tests of a
// missing or unusable library do.
std::vector<std::string>& LdapLibraryNamesOverride();

}  // namespace orx
