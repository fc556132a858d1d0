#include "hid/usb_bridge_link.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <system_error>

#include "hid/usb_bridge_reports.h"
#include "hid/utf8_text.h"

namespace tavolo {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void appendHexByte(std::string& out, std::uint8_t byte)
{
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
}

// Device strings arrive as UTF-16; the window's texts are UTF-8. A broken
// surrogate becomes U+FFFD rather than garbage.
std::string toUtf8(const std::u16string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                                (static_cast<char32_t>(text[i + 1]) - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

std::string hex4(std::uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%.4X", static_cast<unsigned>(value));
    return text;
}

bool isPermissionError(std::uint32_t error)
{
    return error == EACCES || error == EPERM;
}

std::string permissionText(const std::string& path)
{
    return "The HID device node " + path +
           " cannot be opened by this user (permission denied). Install the udev rule "
           "70-tavolo-usb-bridge.rules as the README describes, then unplug the USB interface cable "
           "and plug it in again.";
}

}  // namespace

UsbBridgeLink::UsbBridgeLink(TJvHidDeviceController& HidCtl) : m_hidCtl(HidCtl)
{
    m_vexaHandler = [this](TJvHidDevice& device, std::uint8_t id, const std::uint8_t* data, std::uint16_t size) {
        HidVexaData(device, id, data, size);
    };
    m_maluHandler = [this](TJvHidDevice& device, std::uint8_t id, const std::uint8_t* data, std::uint16_t size) {
        HidMaluData(device, id, data, size);
    };
}

UsbBridgeLink::~UsbBridgeLink()
{
    // Stopping a reader may still serve one report: let it land here, not in the
    // window that is going away.
    onDecodeFrame = nullptr;
    onMaluFrame = nullptr;
    onMessage = nullptr;
    onChanged = nullptr;
    if (m_bound) {
        m_hidCtl.SetOnArrival(nullptr);
        m_hidCtl.SetOnEnumerate(nullptr);
        m_hidCtl.SetOnRemoval(nullptr);
        m_hidCtl.SetOnDeviceDataError(nullptr);
        m_hidCtl.SetOnDeviceChange(nullptr);
    }
    releaseAllLines();  // no handler of this link stays behind on a pooled device
}

void UsbBridgeLink::bindController()
{
    m_bound = true;
    m_hidCtl.SetOnArrival([this](TJvHidDevice& device) { HidCtlArrival(device); });
    m_hidCtl.SetOnEnumerate([this](TJvHidDevice& device, int index) { return HidCtlEnumerate(device, index); });
    m_hidCtl.SetOnDeviceChange([this](TJvHidDeviceController&) { HidCtlDeviceChange(); });
    m_hidCtl.SetOnDeviceDataError(
        [this](TJvHidDevice& device, std::uint32_t error) { HidCtlDeviceDataError(device, error); });
    m_hidCtl.SetOnRemoval([this](TJvHidDevice& device) { HidCtlRemoval(device); });
}

void UsbBridgeLink::changed(unsigned changes)
{
    if (onChanged)
        onChanged(changes);
}

void UsbBridgeLink::message(MessageKind kind, std::string text)
{
    if (onMessage)
        onMessage(Message{kind, std::move(text)});
}

void UsbBridgeLink::addHistoryLine(std::string line)
{
    m_historyListBox.append(std::move(line));
    changed(HistoryChanged);
}

void UsbBridgeLink::setDevListBoxItemIndex(int index)
{
    if (index < -1 || index >= static_cast<int>(m_devListBox.size()))
        index = -1;
    m_devListBoxItemIndex = index;
    changed(DeviceListChanged);
}

void UsbBridgeLink::setUSBConDown(bool down)
{
    m_usbConDown = down;
    changed(UsbButtonChanged);
}

void UsbBridgeLink::setReadBtnDown(bool down)
{
    m_readBtnDown = down;
    changed(ReadButtonChanged);
}

void UsbBridgeLink::clickUSBCon()
{
    setUSBConDown(!m_usbConDown);
    USBConClick();
}

void UsbBridgeLink::clickReadBtn()
{
    setReadBtnDown(!m_readBtnDown);
    ReadBtnClick();
}

TJvHidDevice* UsbBridgeLink::selectedDevice() const
{
    if (m_devListBoxItemIndex < 0 || m_devListBoxItemIndex >= static_cast<int>(m_devListBox.size()))
        return nullptr;
    return m_devListBox[static_cast<std::size_t>(m_devListBoxItemIndex)].device;
}

void UsbBridgeLink::releaseAllLines()
{
    std::vector<DeviceLine> lines = std::move(m_devListBox);
    m_devListBox.clear();
    m_devListBoxItemIndex = -1;
    for (DeviceLine& line : lines) {
        // A released device's successor in the pool inherits its report handler,
        // and a pooled device starts reading with it as soon as anyone claims it:
        // the handlers of this link go first.
        if (line.device)
            line.device->SetReportHandler(nullptr);
        TJvHidDevice::ReleaseDevice(line.device);
    }
}

void UsbBridgeLink::detachVexaHandlers()
{
    // By index, and the list read afresh each time: stopping a reader serves its
    // last report, and nothing here may rely on the list staying as it was.
    for (std::size_t i = 0; i < m_devListBox.size(); ++i) {
        TJvHidDevice* device = m_devListBox[i].device;
        if (device && device->OnReport() == m_vexaHandler)
            device->SetReportHandler(nullptr);
    }
}

void UsbBridgeLink::showUsbModeOff()
{
    m_comControlsVisible = true;
    m_usbConCaption = "USB Connection";
    m_lcdSendVisible = false;
}

void UsbBridgeLink::showUsbModeOn()
{
    m_usbConCaption = "USB Disconnect";
    m_lcdSendVisible = true;
    m_comControlsVisible = false;
}

void UsbBridgeLink::attachVexaHandler(TJvHidDevice& device)
{
    dropPendingBurst();
    device.SetReportHandler(m_ifVexa ? m_vexaHandler : TJvHidDataEvent{});
}

void UsbBridgeLink::dropPendingBurst()
{
    // A new reader starts after a gap (a stopped reader, another cable): bytes
    // collected before it can never complete a frame with what comes next, and
    // joined to the next burst they would cost that whole reading.
    m_hidText.clear();
    m_hidFramePending = false;
}

void UsbBridgeLink::explainNoReadWrite(const TJvHidDevice& device)
{
    if (isPermissionError(device.ReadWriteOpenError()))
        message(MessageKind::InformationBox, permissionText(device.PnPRecord().InterfacePath));
}

std::string UsbBridgeLink::missingCableText() const
{
    std::string text(kNotConnectedText);
    for (const HidScanFailure& failure : m_hidCtl.LastScanFailures()) {
        if (isPermissionError(failure.error)) {
            text += "\n\n" + permissionText(failure.path);
            break;
        }
    }
    return text;
}

std::string UsbBridgeLink::HidDeviceText(TJvHidDevice& HidDev)
{
    std::string text;
    const std::u16string product = HidDev.GetProductText();
    if (!product.empty())
        text = toUtf8(product);
    else
        text = "Device VID=" + hex4(HidDev.DeviceAttributes().VendorID) +
               " PID=" + hex4(HidDev.DeviceAttributes().ProductID);
    const std::u16string serial = HidDev.GetSerialText();
    if (!serial.empty())
        text += " (Serial=" + toUtf8(serial) + ")";
    return text;
}

bool UsbBridgeLink::HidCtlEnumerate(TJvHidDevice& HidDev, int Idx)
{
    DeviceLine line;
    line.text = HidDeviceText(HidDev);
    m_hidCtl.ClaimByIndex(Idx, line.device);
    m_devListBox.push_back(std::move(line));
    return true;
}

void UsbBridgeLink::HidCtlDeviceChange()
{
    const std::uint32_t bridgeInstance =
        m_currentHidDevice && m_currentHidDevice->Plugged() ? m_currentHidDevice->PnPRecord().DeviceInstance : 0;

    m_readBtnDown = false;
    ReadBtnClick();

    releaseAllLines();
    m_currentHidDevice = nullptr;
    m_hidCtl.EnumerateDevices();
    for (std::size_t i = 0; i < m_devListBox.size(); ++i)
        if (m_devListBox[i].text == kBridgeProductText)
            m_devListBoxItemIndex = static_cast<int>(i);
    changed(DeviceListChanged | ReadButtonChanged);

    if (!m_usbConDown)
        return;
    // USB mode was on: its reader went with the old list. Carry on with the bridge
    // now selected, or end USB mode and say why, rather than leave the button down
    // with nothing being read.
    TJvHidDevice* bridge = selectedDevice();
    if (bridge && bridge->ReadWriteOpen()) {
        m_currentHidDevice = bridge;
        if (bridge->PnPRecord().DeviceInstance != bridgeInstance) {
            // A cable plugged in again starts with its own line settings.
            bridge->SendFeatureReport(kLineSettingsReport.data(), kLineSettingsReport.size());
        }
        attachVexaHandler(*bridge);
        return;
    }
    m_usbConDown = false;
    m_idleReportCount = 0;
    showUsbModeOff();
    changed(UsbButtonChanged);
    if (bridge && isPermissionError(bridge->ReadWriteOpenError()))
        message(MessageKind::StatusNote, permissionText(bridge->PnPRecord().InterfacePath));
    else
        message(MessageKind::StatusNote, std::string(kCableRemovedText));
}

void UsbBridgeLink::HidCtlArrival(TJvHidDevice& HidDev)
{
    addHistoryLine("Arrival of " + HidDeviceText(HidDev));
}

void UsbBridgeLink::HidCtlRemoval(TJvHidDevice& HidDev)
{
    addHistoryLine("Removal of " + HidDeviceText(HidDev));
}

void UsbBridgeLink::HidCtlDeviceDataError(TJvHidDevice&, std::uint32_t Error)
{
    char code[16];
    std::snprintf(code, sizeof code, "%X", static_cast<unsigned>(Error));
    addHistoryLine("READ ERROR: " + std::system_category().message(static_cast<int>(Error)) + " (" + code + ")");
}

void UsbBridgeLink::USBConClick()
{
    ReadBtnClick();
    SetFeatureClick();
    m_idleReportCount = 0;
    m_currentHidDevice = nullptr;
    if (!m_devListBox.empty() && m_devListBoxItemIndex >= 0) {
        m_currentHidDevice = selectedDevice();
        if (!m_currentHidDevice || !m_currentHidDevice->ReadWriteOpen()) {
            m_usbConDown = false;
            if (m_currentHidDevice)
                explainNoReadWrite(*m_currentHidDevice);
        } else if (m_usbConDown) {
            attachVexaHandler(*m_currentHidDevice);
        }
    }
    if (m_usbConDown) {
        showUsbModeOn();
    } else {
        showUsbModeOff();
        // A device change inside a message box above may have attached a handler
        // while the button was still down.
        detachVexaHandlers();
    }
    changed(UsbButtonChanged);
}

void UsbBridgeLink::SetFeatureClick()
{
    m_currentHidDevice = nullptr;
    if (!m_devListBox.empty() && m_devListBoxItemIndex >= 0) {
        m_currentHidDevice = selectedDevice();
        if (m_currentHidDevice)
            m_currentHidDevice->SendFeatureReport(kLineSettingsReport.data(), kLineSettingsReport.size());
        std::string line;
        for (std::uint8_t byte : kLineSettingsReport) {
            appendHexByte(line, byte);
            line += ' ';
        }
        addHistoryLine(std::move(line));
        return;
    }
    message(MessageKind::InformationBox, missingCableText());
    setUSBConDown(false);
    // The box ran an event loop: a cable plugged in meanwhile was taken up while
    // USB mode was still on. The button is up now, so nothing may read.
    detachVexaHandlers();
}

void UsbBridgeLink::ReadBtnClick()
{
    m_currentHidDevice = nullptr;
    if (m_devListBox.empty() || m_devListBoxItemIndex < 0)
        return;
    m_currentHidDevice = selectedDevice();
    if (!m_currentHidDevice || !m_currentHidDevice->ReadWriteOpen())
        setReadBtnDown(false);
    else if (m_readBtnDown) {
        dropPendingBurst();
        m_currentHidDevice->SetReportHandler(m_maluHandler);
    } else {
        m_currentHidDevice->SetReportHandler(TJvHidDataEvent{});
    }
}

void UsbBridgeLink::ClearBtnClick()
{
    m_historyListBox.clear();
    changed(HistoryChanged);
}

std::optional<std::string> UsbBridgeLink::InfoBtnClick()
{
    if (m_devListBox.empty() || m_devListBoxItemIndex < 0)
        return std::nullopt;
    const DeviceLine& line = m_devListBox[static_cast<std::size_t>(m_devListBoxItemIndex)];
    std::string text = "Device: " + line.text + "\n";
    TJvHidDevice* device = line.device;
    if (!device)
        return text + "The device could not be claimed.\n";
    const std::u16string product = device->GetProductText();
    const std::u16string serial = device->GetSerialText();
    const HidAttributes& attributes = device->DeviceAttributes();
    const HidCaps caps = device->GetCapabilities();
    text += "Product: " + (product.empty() ? std::string("(none)") : toUtf8(product)) + "\n";
    text += "Serial number: " + (serial.empty() ? std::string("(none)") : toUtf8(serial)) + "\n";
    text += "Vendor ID: " + hex4(attributes.VendorID) + "  Product ID: " + hex4(attributes.ProductID) +
            "  Version: " + hex4(attributes.VersionNumber) + "\n";
    text += "Input report length: " + std::to_string(caps.InputReportByteLength) + " bytes\n";
    text += "Output report length: " + std::to_string(caps.OutputReportByteLength) + " bytes\n";
    text += "Feature report length: " + std::to_string(caps.FeatureReportByteLength) + " bytes\n";
    text += "Path: " + device->PnPRecord().InterfacePath + "\n";
    text += std::string("Read/write access: ") + (device->ReadWriteOpen() ? "yes" : "no");
    if (!device->ReadWriteOpen() && device->ReadWriteOpenError() != 0)
        text += " (" + std::system_category().message(static_cast<int>(device->ReadWriteOpenError())) + ")";
    text += "\n";
    return text;
}

void UsbBridgeLink::ConTimerTimer()
{
    if (m_conTimerTicks != 2) {
        ++m_conTimerTicks;
        return;
    }
    if (m_idleReportCount >= 1900) {
        m_idleReportCount = 0;
        setUSBConDown(false);
        if (m_currentHidDevice)
            m_currentHidDevice->SetReportHandler(nullptr);
        detachVexaHandlers();  // and any a device change attached since
        message(MessageKind::InformationBox, std::string(kMeterNotReadyText));
    }
    m_conTimerTicks = 0;
}

void UsbBridgeLink::resetWatchdogTicks()
{
    m_conTimerTicks = 0;
}

void UsbBridgeLink::HidVexaData(TJvHidDevice&, std::uint8_t ReportID, const std::uint8_t* Data,
                                std::uint16_t Size)
{
    handleInputReport(FrameProfile::Vexa, ReportID, Data, Size);
}

void UsbBridgeLink::HidMaluData(TJvHidDevice&, std::uint8_t ReportID, const std::uint8_t* Data,
                                std::uint16_t Size)
{
    handleInputReport(FrameProfile::Malu, ReportID, Data, Size);
}

void UsbBridgeLink::handleInputReport(FrameProfile profile, std::uint8_t ReportID, const std::uint8_t* Data,
                                      std::uint16_t Size)
{
    const BridgeReport report = classifyBridgeReport(Data, Size);
    if (report.kind == BridgeReportKind::Idle && m_idleReportCount < INT_MAX)
        ++m_idleReportCount;
    if (report.kind == BridgeReportKind::Data) {
        m_idleReportCount = 0;
        m_hidFramePending = true;
        for (unsigned i = 1; i <= report.meterBytes && m_hidText.size() < 2 * kMaxBurstBytes; ++i)
            appendHexByte(m_hidText, Data[i]);
        std::string line = "R ";
        appendHexByte(line, ReportID);
        line += "  ";
        const std::size_t shown = std::min<std::size_t>(Size, kMaxLoggedReportBytes);
        for (std::size_t i = 0; i < shown; ++i) {
            appendHexByte(line, Data[i]);
            line += ' ';
        }
        if (shown < Size)
            line += "...";
        addHistoryLine(std::move(line));
        return;
    }
    if (m_hidFramePending) {
        m_hidFramePending = false;
        if (profile == FrameProfile::Vexa)
            completeVexaFrame();
        else
            completeMaluFrame();
    }
    m_hidFramePending = false;
}

void UsbBridgeLink::completeVexaFrame()
{
    const std::size_t bytes = std::min<std::size_t>(14, m_hidText.size() / 2);
    std::string frame;
    for (std::size_t i = 0; i < bytes; ++i)
        frame += m_hidText[2 * i + 1];
    m_memo2.append(m_hidText);
    m_memo1.append(frame);
    changed(MemosChanged);
    if (frame.size() == 14)
        frame = frame.back() + frame.substr(0, 13);  // the LF's "A" in front, as the serial frames have it
    const bool accepted = frame.size() == 14 && frame.front() == 'A' && frame.back() == 'D';
    m_frameText.clear();
    m_hidText.clear();
    // The decoder may run a nested event loop (a message box): leave nothing half done.
    if (accepted && onDecodeFrame)
        onDecodeFrame(frame);
}

void UsbBridgeLink::completeMaluFrame()
{
    const std::size_t bytes = std::min<std::size_t>(14, m_hidText.size() / 2);
    std::string low;
    std::string high;
    for (std::size_t i = 0; i < bytes; ++i) {
        high += m_hidText[2 * i];
        low += m_hidText[2 * i + 1];
    }
    m_frameText = low;
    m_usbTxt = low;
    m_hidText.clear();
    changed(UsbTxtChanged);
    if (high == "123456789ABCDE" && onMaluFrame)
        onMaluFrame(m_frameText);
}

}  // namespace tavolo
