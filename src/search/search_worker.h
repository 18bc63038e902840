// The one search of the Search Certificates dialog that runs at a time, on a
// thread of its own: a plain search asks the directory once; a template search
// asks it once for each certificate on the user's tokens, with the template
// filled from that certificate. Whatever happens, SearchEvents::SearchEnded is
// its last word.
#pragma once

#include <memory>
#include <string>

#include "core/thread.h"
#include "directory/ldap_client.h"
#include "search/search_logic.h"

namespace orx {

class TokenApplication;

struct SearchRequest {
    std::string url;
    std::string base;
    std::string filter;
    bool simple = true;  // from the simple form
    int maxFound = kDefaultMaxFound;
};

class SearchWorker {
  public:
    // `application` is asked for the certificates of a template search; without
    // one a template search finds nothing.
    SearchWorker(TokenApplication* application, SearchEvents& events, SearchRequest request);
    // Cancels and waits: a worker never outlives its owner.
    ~SearchWorker();
    SearchWorker(const SearchWorker&) = delete;
    SearchWorker& operator=(const SearchWorker&) = delete;

    // False when the thread could not be started (nothing will be reported then).
    bool Start();
    // From the owner's thread; the worker ends at its next entry or within a
    // fraction of a second of waiting.
    void Cancel() { logic_.Cancel(); }
    bool Cancelled() const { return logic_.Cancelled(); }
    bool HasEnded() const;
    void Join();

    const SearchRequest& Request() const { return request_; }

  private:
    static unsigned Run(void* argument);
    void Search();
    void SearchOnce(LdapConnection connection, const std::string& filter);
    void SearchTemplate(LdapConnection connection);

    TokenApplication* application_;
    SearchRequest request_;
    SearchLogic logic_;
    ThreadHandle thread_;
};

}  // namespace orx
