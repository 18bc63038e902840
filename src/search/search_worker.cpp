#include "search/search_worker.h"

#include "core/trace.h"
#include "directory/search_template.h"
#include "search/search_filter.h"
#include "token/token_application.h"

namespace orx {

namespace {

// Every certificate of the user's tokens, whatever it may be used for.
constexpr uint8_t kAnyKeyUsage = 255;

}  // namespace

SearchWorker::SearchWorker(TokenApplication* application, SearchEvents& events,
                           SearchRequest request)
    : application_(application),
      request_(std::move(request)),
      logic_(events, request_.maxFound, request_.simple) {}

SearchWorker::~SearchWorker() {
    Cancel();
    Join();
}

bool SearchWorker::Start() {
    thread_ = StartThread(&SearchWorker::Run, this);
    return static_cast<bool>(thread_);
}

bool SearchWorker::HasEnded() const {
    return !thread_ || thread_.HasEnded();
}

void SearchWorker::Join() {
    if (thread_)
        thread_.Join();
    thread_ = ThreadHandle();
}

unsigned SearchWorker::Run(void* argument) {
    static_cast<SearchWorker*>(argument)->Search();
    return 0;
}

void SearchWorker::Search() {
    LdapConnection connection = LdapConnectUrl(request_.url);
    if (connection != nullptr) {
        if (IsTemplateFilter(request_.filter))
            SearchTemplate(connection);
        else
            SearchOnce(connection, request_.filter);
    }
    LdapDisconnect(connection);
    logic_.Finish();
}

void SearchWorker::SearchOnce(LdapConnection connection, const std::string& filter) {
    LdapRunSearch(connection, request_.base.c_str(), filter.c_str(), kLdapScopeSubtree,
                  kLdapCertificateAttribute, &SearchLogic::Consume, &logic_, LdapConfiguredLimits(),
                  logic_.CancelFlag());
}

void SearchWorker::SearchTemplate(LdapConnection connection) {
    if (application_ == nullptr)
        return;
    for (int index = 0; !logic_.Cancelled(); ++index) {
        CertHandle certificate = application_->GetCertificateAt(index, kAnyKeyUsage, false);
        if (!certificate)
            break;
        // A placeholder that is none of the three asks nothing of this certificate.
        const std::optional<std::string> filter = ExpandSearchTemplate(
            *application_, certificate->ownerSlotId, certificate, request_.filter);
        if (filter)
            SearchOnce(connection, *filter);
    }
}

}  // namespace orx
