#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bus/D2XXUnit.h"
#include "bus/FrameCodec.h"
#include "bus/UsbLink.h"
#include "tests/FakeSerialBackend.h"

namespace vs {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Records what the link shows.
struct FakeView : UsbLinkView {
  struct Row {
    std::string number, serial, type;
  };
  std::vector<std::string> captions, stateLabels, messages, mainCaptions, mainStatusTexts;
  std::string panel[2];
  std::vector<Row> rows;
  int configuredRow = -1;
  int shown = 0, pumps = 0;
  bool openEnabled = false, closeEnabled = false, hubVisible = false, mainStatusVisible = false;
  std::function<void()> onProcessEvents;

  void setCaption(const std::string& t) override { captions.push_back(t); }
  void setStatusPanel(int p, const std::string& t) override { panel[p] = t; }
  void setStateLabel(const std::string& t) override { stateLabels.push_back(t); }
  void clearList() override { rows.clear(); }
  void addListRow(const std::string& n, const std::string& s, const std::string& t) override {
    rows.push_back({n, s, t});
  }
  void setConfiguredRow(int n) override { configuredRow = n; }
  void setOpenEnabled(bool on) override { openEnabled = on; }
  void setCloseEnabled(bool on) override { closeEnabled = on; }
  void setHubVersionVisible(bool on) override { hubVisible = on; }
  void showAdapterWindow() override { ++shown; }
  void setMainCaption(const std::string& t) override { mainCaptions.push_back(t); }
  void setMainStatusText(const std::string& t) override { mainStatusTexts.push_back(t); }
  void setMainStatusVisible(bool on) override { mainStatusVisible = on; }
  void showMessage(const std::string& t) override { messages.push_back(t); }
  void processEvents() override {
    ++pumps;
    if (onProcessEvents) onProcessEvents();
  }
};

// The status answer of incubator `sender` as it comes over the wire: type 5 and 122 data bytes.
Bytes statusAnswer(std::uint8_t sender) {
  Bytes data(122);
  for (std::size_t k = 0; k < data.size(); ++k) data[k] = static_cast<std::uint8_t>(k * 7);
  data[0] = 5;
  Bytes wire(kMaxWireFrame);
  wire.resize(encodeFrame(kStationAddress, sender, 0, data.data(), 122, wire.data()));
  return wire;
}

struct UsbLinkTest : ::testing::Test {
  FakeSerialBackend port;
  FakeView view;
  UsbLink link{port};
  Bytes received;

  UsbLinkTest() {
    link.setView(&view);
    link.Obrabotka_N = [this](std::uint8_t b) { received.push_back(b); };
  }
  void plugTwo() {
    port.ports = {FakeSerialBackend::adapter("A1B2C3", "USB <-> Serial"),
                  FakeSerialBackend::adapter("FT4RS485", "USB-RS485 Cable")};
  }
  void openFirst() {
    plugTwo();
    link.UsbCreate();
    link.Open_Usb("A1B2C3");
    link.Timer1Timer();
    ASSERT_TRUE(link.DevicePresent);
  }
};

TEST_F(UsbLinkTest, WithoutAnAdapterEveryTickShowsThePortClosedAndOpenFails) {
  link.Timer1Timer();  // before the first enumeration the tick does nothing
  EXPECT_TRUE(view.captions.empty());
  EXPECT_TRUE(view.stateLabels.empty());

  link.USB_Serial_Number = "FT123";
  link.UsbCreate();
  EXPECT_TRUE(view.rows.empty());
  EXPECT_EQ(view.captions, std::vector<std::string>{"FT123"});
  for (int t = 0; t < 3; ++t) link.Timer1Timer();
  EXPECT_EQ(view.captions,
            (std::vector<std::string>{"FT123", "Порт закрыт ", "Порт закрыт ", "Порт закрыт "}));
  EXPECT_EQ(view.stateLabels, std::vector<std::string>(3, " -> закрыт"));
  EXPECT_FALSE(link.DevicePresent);

  link.Open_Usb("FT123");
  EXPECT_EQ(view.messages, std::vector<std::string>{"Не удалось открыть порт USB! =  FT123"});
  EXPECT_EQ(view.shown, 1);
  EXPECT_EQ(view.mainCaptions.back(), "Инкубатор RS485  v2.227_beta   порт=FT123");
  EXPECT_EQ(view.captions.back(), "");
  EXPECT_EQ(link.USB_Serial_Number, "FT123");
  EXPECT_EQ(port.opens, 0);
}

TEST_F(UsbLinkTest, TwoAdaptersListedWithTheConfiguredOneGreen) {
  plugTwo();
  link.USB_Serial_Number = "FT4RS485";
  link.UsbCreate();
  ASSERT_EQ(view.rows.size(), 2u);
  EXPECT_EQ(view.rows[0].number, "Устройство 1");
  EXPECT_EQ(view.rows[0].serial, "A1B2C3");
  EXPECT_EQ(view.rows[0].type, "USB <-> Serial");
  EXPECT_EQ(view.rows[1].number, "Устройство 2");
  EXPECT_EQ(view.rows[1].serial, "FT4RS485");
  EXPECT_EQ(view.rows[1].type, "USB-RS485 Cable");
  EXPECT_EQ(link.Selected_USB_Number, 2);
  EXPECT_EQ(view.configuredRow, 2);

  // "Обновить" keeps the number and the caption even when the adapters come in another order.
  std::swap(port.ports[0], port.ports[1]);
  const auto captions = view.captions;
  link.Refresh();
  ASSERT_EQ(view.rows.size(), 2u);
  EXPECT_EQ(view.rows[0].serial, "FT4RS485");
  EXPECT_EQ(link.Selected_USB_Number, 2);
  EXPECT_EQ(view.configuredRow, 2);
  EXPECT_EQ(view.captions, captions);
  EXPECT_GT(view.pumps, 0);
  EXPECT_TRUE(link.tickRunning());
}

TEST_F(UsbLinkTest, MatchingOfTheConfiguredSerialIsExact) {
  plugTwo();
  link.USB_Serial_Number = "a1b2c3";
  link.Selected_USB_Number = 7;  // from the settings file; kept when nothing matches
  link.UsbCreate();
  EXPECT_EQ(link.Selected_USB_Number, 7);
}

TEST_F(UsbLinkTest, OpenSetsTheLineAndTheTickFindsTheAdapter) {
  plugTwo();
  link.UsbCreate();
  link.Selected_Device_Serial_Number = "FT4RS485";
  link.Open_Usb("FT4RS485");
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(port.openedName, "FT4RS485");
  ASSERT_FALSE(port.configured.empty());
  const LineSettings& line = port.configured.back();
  EXPECT_EQ(line.baud, 38400u);
  EXPECT_EQ(line.dataBits, 8);
  EXPECT_EQ(line.stopBits, 2);
  EXPECT_EQ(line.parity, 0);
  EXPECT_EQ(line.flowControl, 0);
  EXPECT_EQ(link.USB_Serial_Number, "FT4RS485");
  EXPECT_EQ(view.captions.back(), "FT4RS485");
  EXPECT_FALSE(view.openEnabled);
  EXPECT_TRUE(view.closeEnabled);
  EXPECT_EQ(view.mainCaptions.back(), "Инкубатор RS485  v2.227_beta   порт=FT4RS485");
  EXPECT_NE(link.d2xx().FT_HANDLE, 0u);

  EXPECT_FALSE(link.DevicePresent);  // set by the tick, not by the open
  link.Timer1Timer();
  EXPECT_TRUE(link.DevicePresent);
  EXPECT_EQ(view.stateLabels.back(), "FT4RS485 -> открыт");

  // Opening again while present closes first.
  link.Open_Usb("A1B2C3");
  EXPECT_EQ(port.closes, 1);
  EXPECT_EQ(view.mainCaptions[view.mainCaptions.size() - 2], "Инкубатор RS485  v2.227_beta");
  EXPECT_EQ(view.mainCaptions.back(), "Инкубатор RS485  v2.227_beta   порт=A1B2C3");

  link.Close_USB();
  EXPECT_EQ(view.mainCaptions.back(), "Инкубатор RS485  v2.227_beta");
  link.Timer1Timer();
  EXPECT_FALSE(link.DevicePresent);
  EXPECT_EQ(view.captions.back(), "Порт закрыт ");
  EXPECT_EQ(view.stateLabels.back(), "FT4RS485 -> закрыт");
}

TEST_F(UsbLinkTest, AportThatRefusesTheLineSettingsStillRuns) {
  plugTwo();
  port.refuseConfigure = true;
  link.UsbCreate();
  link.Open_Usb("A1B2C3");
  EXPECT_TRUE(view.messages.empty());
  link.Timer1Timer();
  EXPECT_TRUE(link.DevicePresent);
}

TEST(D2XXUnit, SerialNumbersAreCutTo49BytesBeforeTheOpen) {
  const std::string longSerial(60, 'S');
  FakeSerialBackend port;
  port.ports = {FakeSerialBackend::adapter(longSerial.substr(0, 49), "long")};
  UsbLink link(port);
  link.Open_Usb(longSerial);
  EXPECT_EQ(port.openedName, std::string(49, 'S'));
  EXPECT_EQ(link.USB_Serial_Number, longSerial);

  D2XXUnit d(port);
  d.SetDeviceString("");
  EXPECT_EQ(d.FT_Device_String_Buffer[0], '\0');
  // A cut never splits a character: 48 ASCII bytes and a two-byte letter keep only the 48.
  d.SetDeviceString(std::string(48, 'x') + "Ж");
  EXPECT_EQ(std::string(d.FT_Device_String_Buffer.data()), std::string(48, 'x'));
  d.SetDeviceString(std::string(47, 'x') + "Ж");
  EXPECT_EQ(std::string(d.FT_Device_String_Buffer.data()), std::string(47, 'x') + "Ж");
}

TEST(D2XXUnit, EnumerationByIndexAndStatuses) {
  FakeSerialBackend port;
  port.ports = {FakeSerialBackend::adapter("/dev/ttyUSB0", "", "/dev/ttyUSB0"),
                FakeSerialBackend::adapter("FT01", std::string(80, 'd'))};
  D2XXUnit d(port);
  EXPECT_EQ(d.GetFTDeviceCount(), FT_OK);
  EXPECT_EQ(d.FT_Device_Count, 2u);
  EXPECT_EQ(d.GetFTDeviceSerialNo(0), FT_OK);
  EXPECT_EQ(d.FT_Device_String, "/dev/ttyUSB0");
  EXPECT_EQ(d.GetFTDeviceDescription(1), FT_OK);
  EXPECT_EQ(d.FT_Device_String, std::string(64, 'd'));
  // A failed lookup leaves the previous text.
  EXPECT_NE(d.GetFTDeviceSerialNo(2), FT_OK);
  EXPECT_EQ(d.FT_Device_String, std::string(64, 'd'));

  // Nothing open: every call on the handle fails, reads and writes give 0.
  EXPECT_NE(d.Get_USB_Device_QueueStatus(), FT_OK);
  EXPECT_NE(d.Set_USB_Device_BaudRate(), FT_OK);
  EXPECT_NE(d.Close_USB_Device(), FT_OK);
  EXPECT_EQ(d.Read_USB_Device_Buffer(10), 0u);
  EXPECT_EQ(d.Write_USB_Device_Buffer(10), 0u);
  EXPECT_EQ(d.FT_HANDLE, 0u);

  // A path opens the port directly; the handle stays (stale) after close.
  EXPECT_EQ(d.Open_USB_Device_By_Serial_Number("/dev/ttyUSB0"), FT_OK);
  const auto handle = d.FT_HANDLE;
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(d.Get_USB_Device_QueueStatus(), FT_OK);
  EXPECT_EQ(d.Close_USB_Device(), FT_OK);
  EXPECT_EQ(d.FT_HANDLE, handle);
  EXPECT_NE(d.Open_USB_Device_By_Serial_Number(""), FT_OK);
}

TEST_F(UsbLinkTest, ReceivedBytesAreHandedOnInOrderAndAsplitFrameIsReassembled) {
  openFirst();
  FrameCodec codec;
  std::vector<RS232_T> frames;
  codec.onGoodFrame = [&](const RS232_T& f) { frames.push_back(f); };
  link.Obrabotka_N = [&](std::uint8_t b) {
    received.push_back(b);
    codec.Obrabotka_N(b);
  };

  const Bytes wire = statusAnswer(5);
  const auto half = static_cast<std::ptrdiff_t>(wire.size() / 2);
  port.deliver(Bytes(wire.begin(), wire.begin() + half));
  link.Timer1Timer();
  EXPECT_TRUE(frames.empty());
  EXPECT_EQ(view.panel[1], "Принято:" + std::to_string(half));
  port.deliver(Bytes(wire.begin() + half, wire.end()));
  link.Timer1Timer();

  EXPECT_EQ(received, wire);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].Otpr, 5);
  EXPECT_EQ(frames[0].Kol_d, 122);
  EXPECT_EQ(frames[0].Dann[0], 5);
  EXPECT_EQ(frames[0].Dann[121], static_cast<std::uint8_t>(121 * 7));

  // An empty queue hands nothing on and leaves the receive panel as it was.
  const auto before = received.size();
  link.Timer1Timer();
  EXPECT_EQ(received.size(), before);
  EXPECT_EQ(view.panel[1], "Принято:" + std::to_string(wire.size() - wire.size() / 2));
}

TEST_F(UsbLinkTest, AqueueLargerThanTheBufferIsReadOverTwoPasses) {
  openFirst();
  Bytes big(70000);
  for (std::size_t k = 0; k < big.size(); ++k) big[k] = static_cast<std::uint8_t>(k % 251);
  port.deliver(big);
  link.Timer1Timer();
  EXPECT_EQ(received.size(), kFtBufferSize);
  EXPECT_EQ(view.panel[1], "Принято:70000");
  link.Timer1Timer();
  EXPECT_EQ(received, big);
}

TEST_F(UsbLinkTest, WritesReportTheCountAndAshortWrite) {
  openFirst();
  FrameCodec codec;
  codec.write = [this](const std::uint8_t* p, std::int32_t n) { return link.UsbWrite(p, n); };
  const std::uint8_t poll[] = {0};
  codec.send(5, 0, poll, 1);
  EXPECT_EQ(port.written(), (Bytes{0x00, 0x00, 0xAA, 0x05, 0xDE, 0x00, 0x01, 0x00, 0xA7}));
  EXPECT_EQ(view.panel[0], "   Передано = 9");

  port.writeLimit = 3;
  const Bytes nine(9, 0x11);
  EXPECT_EQ(link.UsbWrite(nine.data(), 9), 3);
  EXPECT_EQ(view.panel[0], "Ошибка в передаче.  3  9");

  port.writeLimit = -1;
  port.writeFails = true;  // a failure without a count counts as 0 written
  EXPECT_EQ(link.UsbWrite(nine.data(), 9), 0);
  EXPECT_EQ(view.panel[0], "Ошибка в передаче.  0  9");
}

TEST_F(UsbLinkTest, UnpluggingMidRunClosesTheLinkWithoutAcrash) {
  openFirst();
  port.deliver({1, 2, 3});
  port.unplug();
  link.Timer1Timer();
  EXPECT_FALSE(link.DevicePresent);
  EXPECT_TRUE(received.empty());
  EXPECT_EQ(view.captions.back(), "Порт закрыт ");
  EXPECT_EQ(view.stateLabels.back(), " -> закрыт");
  const Bytes frame{0, 0, 0xAA};
  EXPECT_EQ(link.UsbWrite(frame.data(), 3), 0);
  EXPECT_EQ(view.panel[0], "Ошибка в передаче.  0  3");
  link.Timer1Timer();
  EXPECT_FALSE(link.DevicePresent);

  // Nothing reopens by itself; the operator opens the adapter again once it is back.
  plugTwo();
  link.Timer1Timer();
  EXPECT_FALSE(link.DevicePresent);
  link.Open_Usb("A1B2C3");
  link.Timer1Timer();
  EXPECT_TRUE(link.DevicePresent);
}

TEST_F(UsbLinkTest, TheHubModeChangesTheBaudOnlyAtTheNextOpen) {
  openFirst();
  const auto configures = port.configured.size();
  EXPECT_EQ(port.configured.back().baud, 38400u);
  int checks = 0;
  link.proverka_4RS485 = [&] { ++checks; };
  link.Timer1Timer();
  EXPECT_EQ(checks, 0);
  EXPECT_FALSE(view.hubVisible);

  link.RS485_4 = true;
  link.Timer1Timer();
  link.Timer1Timer();
  EXPECT_EQ(checks, 2);
  EXPECT_TRUE(view.hubVisible);
  EXPECT_EQ(port.configured.size(), configures);  // the open port is left as it is

  link.Open_Usb("A1B2C3");
  EXPECT_EQ(port.configured.back().baud, 230400u);
}

TEST_F(UsbLinkTest, StatusLabelCountdownsAndTheHubsMissingAnswer) {
  openFirst();
  view.mainStatusVisible = true;
  link.time_USB_W = 2;
  link.Timer1Timer();
  EXPECT_TRUE(view.mainStatusVisible);
  link.Timer1Timer();
  EXPECT_FALSE(view.mainStatusVisible);

  link.time_USB_W_ERR = 2;
  link.Timer1Timer();
  EXPECT_TRUE(view.mainStatusTexts.empty());
  link.Timer1Timer();
  EXPECT_EQ(view.mainStatusTexts, std::vector<std::string>{"ОШИБКА"});
  EXPECT_TRUE(view.mainStatusVisible);
  EXPECT_EQ(link.time_USB_W, 50);
  for (int t = 0; t < 49; ++t) link.Timer1Timer();
  EXPECT_TRUE(view.mainStatusVisible);
  link.Timer1Timer();
  EXPECT_FALSE(view.mainStatusVisible);
}

TEST_F(UsbLinkTest, AtickDuringTheReadPassSkipsItsReadButRunsTheRest) {
  openFirst();
  port.deliver({1, 2, 3});
  bool nested = false;
  view.onProcessEvents = [&] {
    if (nested) return;
    nested = true;
    EXPECT_EQ(link.read_k, 1);
    link.time_USB_W = 5;
    link.Timer1Timer();  // the 20 ms timer fires while the pass lets the window breathe
    EXPECT_EQ(link.time_USB_W, 4);
    EXPECT_TRUE(received.empty());
  };
  link.Timer1Timer();
  EXPECT_EQ(received, (Bytes{1, 2, 3}));
  EXPECT_EQ(link.read_k, 0);
}

TEST_F(UsbLinkTest, AconsumerThatRunsTheEventLoopCannotReorderBytes) {
  openFirst();
  port.deliver({1, 2, 3});
  bool once = false;
  link.Obrabotka_N = [&](std::uint8_t b) {
    EXPECT_EQ(link.read_k, 0);  // the guard is released before handing on
    received.push_back(b);
    if (b == 1 && !once) {
      once = true;
      port.deliver({4, 5});
      link.Timer1Timer();  // e.g. a message box shown by a consumer lets the tick run
    }
  };
  link.Timer1Timer();
  link.Timer1Timer();
  EXPECT_EQ(received, (Bytes{1, 2, 3, 4, 5}));
}

TEST_F(UsbLinkTest, AthrowingConsumerLosesNoLaterBytes) {
  openFirst();
  port.deliver({1, 2, 3});
  link.Obrabotka_N = [&](std::uint8_t b) {
    if (b == 2) throw std::runtime_error("consumer fault");
    received.push_back(b);
  };
  EXPECT_NO_THROW(link.Timer1Timer());
  EXPECT_EQ(received, (Bytes{1, 3}));
  port.deliver({4});
  link.Timer1Timer();
  EXPECT_EQ(received, (Bytes{1, 3, 4}));
}

}  // namespace
}  // namespace vs
