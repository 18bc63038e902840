// The certificate window of "-view": who the certificate is for and from, whether
// it is valid now, its numbers and fingerprints, its key, every extension, and
// buttons that save it as DER or PEM.
#pragma once

#include <QDialog>
#include <QString>

#include "client/certificate_facts.h"

class QFormLayout;
class QLabel;
class QPushButton;
class QScrollArea;

namespace orx {

// Control ids of the window's value fields and buttons.
enum CertificateItem : int {
    kItemDisplayName = 1001,
    kItemStatus = 1002,
    kItemSubjectName = 1010,
    kItemSubjectText = 1011,
    kItemIssuerName = 1012,
    kItemIssuerText = 1013,
    kItemValidFrom = 1020,
    kItemValidTo = 1021,
    kItemVersion = 1022,
    kItemSerial = 1023,
    kItemSignature = 1024,
    kItemSha1 = 1025,
    kItemSha256 = 1026,
    kItemPublicKey = 1027,
    kItemFirstExtension = 1100,        // one value label per extension, in order
    kItemFirstExtensionDetail = 1150,  // its identifier and criticality
    kItemSaveDer = 1201,
    kItemSavePem = 1202,
    kItemClose = 1203,
    kItemSaved = 1204,  // where the certificate was saved last
};

// The folder the save dialog opens in is remembered under this key ("Last Path").
inline constexpr const char* kSaveFolderKey = "Certificate";

class CertificateWindow : public QDialog {
    Q_OBJECT
  public:
    explicit CertificateWindow(CertificateFacts facts, QWidget* parent = nullptr);

    const CertificateFacts& Facts() const { return facts_; }
    // Asks for a file and writes the certificate there; true when it was written.
    bool SaveAs(bool pem);
    // The key line as the window shows it ("RSA, 2048 bits").
    static std::string KeyText(const CertificateFacts& facts);
    static std::string StatusText(ValidityState state);

  private:
    QLabel* AddField(QFormLayout* form, int labelId, const std::string& value, int itemId,
                     bool wrap);
    void FitToScreen();

    CertificateFacts facts_;
    QScrollArea* scroll_ = nullptr;
    QLabel* saved_ = nullptr;
};

}  // namespace orx
