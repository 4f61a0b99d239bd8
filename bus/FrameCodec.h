// The bus frame: building and stuffing of requests (BlokWopros) and the byte-by-byte receive
// state machine (Obrabotka_N) that un-stuffs, checks the CRC and hands on each good frame.
//
// Wire form: 00 00 AA, then receiver, sender, kind, L, L data bytes and the CRC-8 of
// AA..data, with 0x55 sent as 55 02 and 0xAA as 55 01. 0xAA on the wire always starts a frame.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "common/FailureLog.h"
#include "common/Records.h"

namespace vs {

// The receive record: the frame being received, and after a good CRC the last good frame.
// The data area is never cleared; bytes past the current length are those of earlier frames.
struct RS232_T {
  std::uint8_t CRC;       // running CRC of the current frame
  std::uint8_t CRC_pred;  // CRC of bytes 0..4+L, taken when the last data byte is in
  std::uint8_t Pol;       // receiver address
  std::uint8_t Otpr;      // sender address
  std::uint8_t Kadr;      // frame kind
  std::uint8_t Kol_d;     // data length L
  std::array<std::uint8_t, 1024> Dann;
  std::uint8_t i;        // data bytes received so far
  std::uint8_t Nb;       // state 0..6
  std::uint8_t Podmena;  // 1 while the byte after an escape 0x55 is awaited
};
VS_OFFSET(RS232_T, Dann, 6);
VS_OFFSET(RS232_T, i, 1030);

constexpr std::uint8_t kStationAddress = 222;  // sender of every request
constexpr std::uint8_t kHubAddress = 255;
constexpr std::uint8_t kBootloaderAddress = 200;
constexpr std::size_t kMaxRawFrame = 260;                 // AA + 4 + 255 data + CRC
constexpr std::size_t kMaxWireFrame = 3 + 2 * (255 + 5);  // 523
constexpr std::size_t kRequestPayloadSize = 2 + 255;      // [0] unused, [1] L, [2..] data

// Builds the wire form of one frame into `out` (at least kMaxWireFrame bytes) and returns the
// number of bytes used. No allocation.
std::size_t encodeFrame(std::uint8_t pol, std::uint8_t otpr, std::uint8_t kadr,
                        const std::uint8_t* data, std::uint8_t len, std::uint8_t* out);

class FrameCodec {
 public:
  // Where finished request frames go (the USB link's write); returns the count written.
  using Writer = std::function<std::int32_t(const std::uint8_t*, std::int32_t)>;
  using FrameSink = std::function<void(const RS232_T&)>;

  Writer write;
  // Called after a BlokWopros whose whole frame the adapter took (the poll cycle's
  // link-activity counter).
  std::function<void()> onSent;
  // A writer that throws is reported here once.
  FailureLog failures;
  // While true, received bytes are ignored (a remote station takes its data from the shared file).
  std::function<bool()> inputIgnored;
  // Every frame whose CRC matches, read from RS232 inside the call.
  FrameSink onGoodFrame;

  // Sends one request. payload[0] is ignored, payload[1] holds L, payload[2..L+1] the data.
  // A failing write is not repeated; onSent runs only when the whole frame went out.
  void BlokWopros(std::uint8_t pol, std::uint8_t otpr, std::uint8_t kadr,
                  const std::uint8_t* payload);
  // The same with the data given directly.
  void send(std::uint8_t pol, std::uint8_t kadr, const std::uint8_t* data, std::uint8_t len);

  // Feeds one received byte into the state machine.
  void Obrabotka_N(std::uint8_t b);
  // Un-stuffs one raw byte, updating Podmena and Nb.
  std::uint8_t PodmenaR(std::uint8_t b);

  RS232_T RS232{};
};

}  // namespace vs
