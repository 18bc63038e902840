// The token view: the right-hand pane of the administration window. It shows what
// the slot list selected: nothing, the installed components, or one token with its
// certificates and its two data boxes on tabs, everything read from the plug-in
// through the application's wrappers. Commands that change token content arrive
// here (token_commands.cpp holds their entry points).
#pragma once

#include <QIcon>
#include <QList>
#include <QScrollArea>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ui/commands.h"

class QLabel;
class QTabBar;

namespace orx {

class CAdminList;
class CAdminMain;
class COwnerDrawList;
class TokenApplication;
struct AdminSettings;

// Dialog template 202 and its controls.
inline constexpr int kTemplateAdminView = 202;
inline constexpr int kIdHeaderLine1 = 582;  // bold
inline constexpr int kIdHeaderLine2 = 583;
inline constexpr int kIdTokenTabs = 352;
inline constexpr int kIdContentList = 358;

enum ViewMode : int { kModeNothing = 0, kModeComponents = 1, kModeToken = 5 };
// What a tab shows; kTabCurrent keeps the tab that is selected.
enum TokenTab : int {
    kTabCurrent = -1,
    kTabCertificates = 0,
    kTabPublicBox = 1,
    kTabPrivateBox = 2
};

// Small icons of the content list, in the order they are added.
inline constexpr int kImageCertificate = 0;
inline constexpr int kImageComponent = 1;
inline constexpr int kImageDataEntry = 2;
// A certificate whose private key is on the token.
inline constexpr int kImageCertificateWithKey = 3;

// "CertificateEx" is read up to this many entries.
inline constexpr int kMaxCertificateEntries = 1000;
inline constexpr int kMaxComponentEntries = 100;

class CAdminView : public QScrollArea, public CommandTarget {
    Q_OBJECT
  public:
    CAdminView(TokenApplication& app, AdminSettings& settings, QWidget* parent = nullptr);
    // Saves the column widths and the view's size.
    ~CAdminView() override;

    // The first update: the slot list and the frame, the owner-drawn content list
    // with its icons, the bold first header line; then nothing is shown.
    virtual void OnInitialUpdate(CAdminMain* frame, CAdminList* slotList);

    virtual void ShowNothing();
    virtual void ShowComponents();
    // tab: one of TokenTab.
    virtual void ShowToken(int32_t slot, int tab);
    // True while no token is shown or the shown one still answers "TokenInfo".
    virtual bool IsTokenReadable();
    virtual bool IsSameSlot(int32_t slot);
    // The Action menu's submenu of the tab that is shown, at a screen position.
    virtual void ShowContextMenu(const QPoint& globalPosition);
    // Appends a 16 x 16 icon to the content list's icons; its index.
    virtual int AddSmallIcon(int iconId);
    virtual void ClearContent();
    virtual void FillComponents();
    virtual void FillTokenTabs(int32_t slot, int tab, bool keepTabs);
    virtual void FillCertificates(COwnerDrawList* list, int32_t slot);
    virtual void FillDataBox(COwnerDrawList* list, int32_t slot, bool privateBox);
    virtual void UpdateControls();
    virtual void SaveColumnWidths();

    // Commands 30000 to 32999 as the frame and the slot list pass them on.
    bool OnCommand(int commandId) override;

    // The token content commands: the password commands, soft tokens,
    // certificates, data box entries and the clipboard (token_commands.cpp).
    virtual void OnChangePassword(int32_t slot);
    virtual void OnUnlockPassword(int32_t slot);
    virtual void OnSoftTokenNew();
    virtual void OnSoftTokenAdd();
    virtual void OnSoftTokenExport();
    virtual void OnSoftTokenDelete();
    virtual void OnCertificateView();
    virtual void OnCertificateAdd();
    virtual void OnCertificateExport();
    virtual void OnCertificateDelete();
    virtual void OnDataAdd(bool privateBox);
    virtual void OnDataEdit(bool privateBox);
    virtual void OnDataDelete(bool privateBox);
    virtual void OnCopy();

    // What the commands are made of. EnsureToken: a token of the kind (TokenKind)
    // is shown, the slot list's first one when none was; otherwise an error is
    // shown. `slot` receives the current slot.
    virtual bool EnsureToken(int kind, int32_t& slot);
    // The selected row's certificate (row 0 when none is selected) into
    // SelectedCertificate(), and the slot that holds it; false, with an error shown,
    // when there is none.
    virtual bool GetSelectedCertificate(int32_t* slot);
    // Whether a certificate row shown holds these bytes; `slot` receives its slot.
    virtual bool FindCertificate(std::span<const uint8_t> der, int32_t& slot);
    // Shows the certificate through the client program.
    virtual void ViewCertificate(std::span<const uint8_t> der);
    // Imports a certificate file into the token in `slot` (files dropped on the list).
    virtual void AddCertificate(int32_t slot, const std::string& file);
    virtual void RemoveCertificate(int32_t slot, std::span<const uint8_t> der);
    // A new soft token, empty or from the file (a token file, or a PKCS#12 file
    // whose content is imported into the new token).
    virtual void CreateSoftToken(const std::optional<std::string>& file);
    virtual void DeleteSoftToken(int32_t slot);
    virtual void AddDataEntry(bool privateBox);
    virtual void EditDataEntry(bool privateBox);
    virtual void DeleteDataEntry(bool privateBox);
    // Stores the list's rows as the box's data object; false, with the error shown,
    // when the plug-in refused.
    virtual bool WriteDataBox(COwnerDrawList* list, int32_t slot, bool privateBox);
    virtual void CopyToClipboard();

    std::span<const uint8_t> SelectedCertificate() const { return selectedCertificate_; }

    int Mode() const { return mode_; }
    int32_t CurrentSlot() const { return currentSlot_; }
    // What the tab that is shown holds (TokenTab); kTabCertificates without tabs.
    int ShownTab() const;
    std::string HeaderLine(int line) const;
    COwnerDrawList* ContentList() const { return list_; }
    QTabBar* Tabs() const { return tabs_; }
    QWidget* Form() const { return widget(); }
    // The "CertificateEx" entry of a row of the certificates tab; nullptr for others.
    const std::string* CertificateEntryAt(int row) const;
    const QList<QIcon>& SmallIcons() const { return smallIcons_; }

    // Files dropped on the content list; added as certificates in mode 5.
    void OnDropFiles(const QStringList& files);
    // The form's paint request (traced, as the owner drawing follows it).
    void OnPaint();

  protected:
    TokenApplication& App() { return app_; }
    AdminSettings& Settings() { return settings_; }
    CAdminList* SlotList() const { return slotList_; }
    CAdminMain* Frame() const { return frame_; }

  private:
    void SetHeaderLines(const std::string& first, const std::string& second);
    void InsertColumns(const int* textIds, const int* widthKeys, int count);
    int TabIndexOf(int tab) const;
    void OnTabChanged(int index);
    void OnDoubleClick();
    // The password dialogs of the plug-in ("ChangePassword", "UnlockPassword").
    void RunPasswordOperation(int32_t slot, const char* operation);
    // Logs the slot's token in unless it is; false, with the error shown, when that failed.
    bool EnsureLoggedIn(int32_t slot);
    // A token is shown and, for the private box, logged in: what the data commands
    // need before they touch a box; false, with the error shown, otherwise.
    bool DataBoxReady(bool privateBox);
    // The box's tab of the token shown, with the selected row before it was
    // filled again (-1: none); false when the token has no such tab.
    bool ShowBox(bool privateBox, int32_t& slot, int& rememberedRow);
    // The row selected in the content list; -1 when none is.
    int SelectedRow() const;
    void SelectRow(int row);
    QWidget* Owner();
    // The shown token again, so that the view shows what the plug-in now holds.
    void ShowTokenAgain(int32_t slot);

    TokenApplication& app_;
    AdminSettings& settings_;
    CAdminMain* frame_ = nullptr;
    CAdminList* slotList_ = nullptr;
    QLabel* line1_ = nullptr;
    QLabel* line2_ = nullptr;
    QTabBar* tabs_ = nullptr;
    COwnerDrawList* list_ = nullptr;
    QList<QIcon> smallIcons_;
    int mode_ = kModeNothing;
    int32_t currentSlot_ = -1;
    // The tab whose content the list holds, so that its widths are saved before
    // another one is shown.
    int shownTab_ = kTabCertificates;
    // The token whose content the list holds; -1 for none.
    int32_t filledSlot_ = -1;
    bool fillingTabs_ = false;
    std::vector<std::string> certificateEntries_;
    std::vector<uint8_t> selectedCertificate_;
};

}  // namespace orx
