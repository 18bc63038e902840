// The binding behind ldap_library.h: the library's handle, its reference count
// and the entry points found in it, for code that must see the binding whole.
#pragma once

#include <ldap.h>

#include <cstdint>

namespace orx::ldap_detail {

// The library's own signatures; the declarations in its headers are only used for
// the types, since every function is looked up at run time.
using OpenFn = LDAP* (*)(const char*, int);
using UnbindFn = int (*)(LDAP*);
using SetOptionFn = int (*)(LDAP*, int, const void*);
using SearchFn = int (*)(LDAP*, const char*, int, const char*, char**, int);
using ResultFn = int (*)(LDAP*, int, int, struct timeval*, LDAPMessage**);
using MsgFreeFn = int (*)(LDAPMessage*);
using FirstEntryFn = LDAPMessage* (*)(LDAP*, LDAPMessage*);
using NextEntryFn = LDAPMessage* (*)(LDAP*, LDAPMessage*);
using CountEntriesFn = int (*)(LDAP*, LDAPMessage*);
using FirstAttributeFn = char* (*)(LDAP*, LDAPMessage*, BerElement**);
using NextAttributeFn = char* (*)(LDAP*, LDAPMessage*, BerElement*);
using GetValuesLenFn = struct berval** (*)(LDAP*, LDAPMessage*, const char*);
using ValueFreeLenFn = void (*)(struct berval**);
using BerFreeFn = void (*)(BerElement*, int);
using MemFreeFn = void (*)(void*);
using GetOptionFn = int (*)(LDAP*, int, void*);
using SockbufCtrlFn = int (*)(Sockbuf*, int, void*);

struct EntryPoints {
    OpenFn open = nullptr;
    UnbindFn unbind = nullptr;
    SetOptionFn setOption = nullptr;
    SearchFn search = nullptr;
    ResultFn result = nullptr;
    MsgFreeFn msgFree = nullptr;
    FirstEntryFn firstEntry = nullptr;
    NextEntryFn nextEntry = nullptr;
    CountEntriesFn countEntries = nullptr;
    FirstAttributeFn firstAttribute = nullptr;
    NextAttributeFn nextAttribute = nullptr;
    GetValuesLenFn getValuesLen = nullptr;
    ValueFreeLenFn valueFreeLen = nullptr;
};

// Process-wide and unlocked: only the one search worker at a time uses it.
struct LdapLibrary {
    void* module = nullptr;
    uint32_t references = 0;
    EntryPoints entry;
    // Not among the thirteen: the library's release functions for what it hands
    // out. Their absence only costs memory.
    BerFreeFn berFree = nullptr;
    MemFreeFn memFree = nullptr;
    // Nor these: without them failures are told apart less finely, and messages
    // are not bounded.
    GetOptionFn getOption = nullptr;
    SockbufCtrlFn sockbufCtrl = nullptr;
};

// The one binding of the process.
extern LdapLibrary library;

}  // namespace orx::ldap_detail
