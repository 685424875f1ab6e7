#include "entrydlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogunits.h"
#include "filechooser.h"
#include "prompt.h"

namespace {

QFont DialogFont() { return TemplateFont(QStringLiteral("MS Sans Serif"), 8); }

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

CDeviceFieldsDlg::CDeviceFieldsDlg(IPrompt& prompt, QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_prompt(prompt)
{
    setFont(DialogFont());
    setModal(true);
}

void CDeviceFieldsDlg::CreateControls(const DialogUnits& du, TemplateRect okRect, TemplateRect cancelRect, bool withImport)
{
    // Built in template order, which is also the tab order; the add template has its import
    // button between the labels and the FID edit.
    auto button = [&](int id, TemplateRect r) {
        auto* b = new QPushButton(QString::fromUtf8(TextOf(kEntryButtons, id)), this);
        b->setObjectName(QString::number(id));
        du.Place(b, r.x, r.y, r.width, r.height);
        return b;
    };
    auto edit = [&](int id, TemplateRect r) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::number(id));
        du.Place(e, r.x, r.y, r.width, r.height);
        return e;
    };
    auto label = [&](const EntryLabel& entry) {
        auto* l = new QLabel(QString::fromUtf8(entry.text), this);
        l->setObjectName(QString::number(entry.id));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        du.Place(l, entry.rect.x, entry.rect.y, entry.rect.width, entry.rect.height);
        return l;
    };

    QPushButton* ok = button(IDC_ENTRY_OK, okRect);
    QPushButton* cancel = button(IDC_ENTRY_CANCEL, cancelRect);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { accept(); });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });

    QWidget* name = edit(IDC_NAME, {RECT_NAME});
    for (int i = 0; i < 4; ++i) label(kEntryLabels[i]);
    QWidget* import = withImport ? button(IDC_IMPORT, {RECT_IMPORT}) : nullptr;
    QWidget* fid = edit(IDC_FID, {RECT_FID});
    QWidget* rom = edit(IDC_ROM, {RECT_ROM});
    QWidget* volt = edit(IDC_VOLTAGE, {RECT_VOLTAGE});
    QWidget* sig1 = edit(IDC_SIG1, {RECT_SIG1});
    QWidget* sig2 = edit(IDC_SIG2, {RECT_SIG2});
    QWidget* sig3 = edit(IDC_SIG3, {RECT_SIG3});
    label(kEntryLabels[4]);

    std::vector<QWidget*> order{ok, cancel, name};
    if (import) order.push_back(import);
    for (QWidget* w : {fid, rom, volt, sig1, sig2, sig3}) order.push_back(w);
    for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void CDeviceFieldsDlg::DoDataExchange(CDataExchange& dx)
{
    DDX_Control(dx, IDC_ENTRY_OK, m_btnOK);
    DDX_Control(dx, IDC_ENTRY_CANCEL, m_btnCancel);
    DDX_Text(dx, IDC_NAME, m_strName);
    DDX_Text(dx, IDC_SIG1, m_strSig1);
    DDX_Text(dx, IDC_SIG2, m_strSig2);
    DDX_Text(dx, IDC_SIG3, m_strSig3);
    DDX_Text(dx, IDC_ROM, m_strRomKb);
    DDX_Text(dx, IDC_FID, m_strFid);
    DDX_Text(dx, IDC_VOLTAGE, m_strVoltage);
}

void CDeviceFieldsDlg::UpdateData(bool saveAndValidate)
{
    CDataExchange dx(this, saveAndValidate, m_prompt);
    DoDataExchange(dx);
}

DeviceFieldTexts CDeviceFieldsDlg::Texts() const
{
    return {m_strName.Bytes(),          m_strFid.toStdString(),  m_strRomKb.toStdString(),
            m_strVoltage.toStdString(), m_strSig1.toStdString(), m_strSig2.toStdString(),
            m_strSig3.toStdString()};
}

void CDeviceFieldsDlg::ShowFault(const DeviceFieldFault& fault)
{
    // The refused field gets the focus with its text selected, ready to be typed over.
    CDataExchange dx(this, true, m_prompt);
    dx.Fail(dx.Control(EntryFieldControl(fault.field)), fault.message);
}

void CDeviceFieldsDlg::OnInitDialog()
{
    UpdateData(false);
    // A freshly created dialog starts on its first control; this one is reused.
    if (QPushButton* ok = m_btnOK.Button()) ok->setFocus(Qt::OtherFocusReason);
}

int CDeviceFieldsDlg::RunModal()
{
    OnInitDialog();
    return exec();
}

bool CDeviceFieldsDlg::CheckFields(DeviceRecord& rec)
{
    const std::optional<DeviceFieldFault> fault = TextsToRecord(Texts(), rec);
    if (fault) ShowFault(*fault);
    return !fault;
}

// ---------------------------------------------------------------------------------------------

CAddDeviceDlg::CAddDeviceDlg(IPrompt& prompt, IFileChooser& importChooser, QWidget* parent)
    : CDeviceFieldsDlg(prompt, parent), m_importChooser(importChooser)
{
    setWindowTitle(QString::fromUtf8(kAddTitle));
    OnCreate();
    const DialogUnits du(font());
    setFixedSize(du.Size(DLG_ADD_SIZE));
    CreateControls(du, {RECT_ADD_OK}, {RECT_ADD_CANCEL}, true);
    connect(findChild<QPushButton*>(QString::number(IDC_IMPORT)), &QPushButton::clicked, this,
            [this] { OnImportFromFile(); });
    UpdateData(false);
}

void CAddDeviceDlg::OnCreate()
{
    // Styled before the button objects are bound to their controls.
    m_btnOK.SetXButtonStyle(2, true);
    m_btnCancel.SetXButtonStyle(2, true);
    m_btnImport.SetXButtonStyle(2, true);
}

void CAddDeviceDlg::DoDataExchange(CDataExchange& dx)
{
    DDX_Control(dx, IDC_IMPORT, m_btnImport);
    CDeviceFieldsDlg::DoDataExchange(dx);
}

int CAddDeviceDlg::DoModal()
{
    const int result = RunModal();
    return result == 1 && m_bImport ? 3 : result;
}

void CAddDeviceDlg::OnOK()
{
    UpdateData(true);
    if (!CheckFields(m_record)) return;
    m_bImport = false;
    done(1);
}

void CAddDeviceDlg::OnImportFromFile()
{
    std::optional<std::filesystem::path> path = m_importChooser.Choose();
    if (!path) return;
    m_bImport = true;
    m_strImportPath = std::move(*path);
    // The device fields are not checked on this path, but the number fields are still read. They
    // are checked first, so a refused number is the first fault when there is one.
    UpdateData(true);
    if (const std::optional<DeviceFieldFault> fault = NumberFieldsFault(Texts())) {
        ShowFault(*fault);
        return;
    }
    done(1);
}

// ---------------------------------------------------------------------------------------------

CEditDeviceDlg::CEditDeviceDlg(IPrompt& prompt, QWidget* parent) : CDeviceFieldsDlg(prompt, parent)
{
    setWindowTitle(QString::fromUtf8(kEditTitle));
    OnCreate();
    const DialogUnits du(font());
    setFixedSize(du.Size(DLG_EDIT_SIZE));
    CreateControls(du, {RECT_EDIT_OK}, {RECT_EDIT_CANCEL}, false);
    UpdateData(false);
}

void CEditDeviceDlg::OnCreate()
{
    m_btnOK.SetXButtonStyle(2, true);
    m_btnCancel.SetXButtonStyle(2, true);
}

int CEditDeviceDlg::DoModal()
{
    if (!m_pRecord) return -1;
    const DeviceFieldTexts t = RecordToTexts(*m_pRecord);
    m_strName.SetBytes(*t.name);
    m_strFid = Q(t.fid);
    m_strSig1 = Q(t.sig1);
    m_strSig2 = Q(t.sig2);
    m_strSig3 = Q(t.sig3);
    m_strRomKb = Q(t.romKb);
    m_strVoltage = Q(t.voltage);
    return RunModal();
}

void CEditDeviceDlg::OnOK()
{
    if (!m_pRecord) return;
    UpdateData(true);
    // The list's record changes only when every field is accepted.
    if (!CheckFields(*m_pRecord)) return;
    done(1);
}
