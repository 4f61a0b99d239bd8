#include "bus/FrameCodec.h"

#include "bus/crc.h"

namespace vs {

std::size_t encodeFrame(std::uint8_t pol, std::uint8_t otpr, std::uint8_t kadr,
                        const std::uint8_t* data, std::uint8_t len, std::uint8_t* out) {
  std::array<std::uint8_t, kMaxRawFrame> raw;
  raw[0] = 0xAA;
  raw[1] = pol;
  raw[2] = otpr;
  raw[3] = kadr;
  raw[4] = len;
  for (std::size_t k = 0; k < len; ++k) raw[5 + k] = data[k];
  const std::size_t n = 5u + len;
  raw[n] = Count_CRC(raw.data(), n);

  std::size_t o = 0;
  out[o++] = 0x00;
  out[o++] = 0x00;
  out[o++] = 0xAA;
  for (std::size_t k = 1; k <= n; ++k) {
    const std::uint8_t b = raw[k];
    if (b == 0x55) {
      out[o++] = 0x55;
      out[o++] = 0x02;
    } else if (b == 0xAA) {
      out[o++] = 0x55;
      out[o++] = 0x01;
    } else {
      out[o++] = b;
    }
  }
  return o;
}

void FrameCodec::BlokWopros(std::uint8_t pol, std::uint8_t otpr, std::uint8_t kadr,
                            const std::uint8_t* payload) {
  std::array<std::uint8_t, kMaxWireFrame> out;
  const std::size_t n = encodeFrame(pol, otpr, kadr, payload + 2, payload[1], out.data());
  // A failed send is not repeated; the missing answer is counted by the poll cycle. Only a
  // frame that went out whole counts as sent: a pulled-out adapter must not look busy.
  std::int32_t written = 0;
  failures.guard("передаче кадра", [&] {
    if (write) written = write(out.data(), static_cast<std::int32_t>(n));
  });
  if (written == static_cast<std::int32_t>(n) && onSent) onSent();
}

void FrameCodec::send(std::uint8_t pol, std::uint8_t kadr, const std::uint8_t* data,
                      std::uint8_t len) {
  std::array<std::uint8_t, kRequestPayloadSize> payload{};
  payload[1] = len;
  for (std::size_t k = 0; k < len; ++k) payload[2 + k] = data[k];
  BlokWopros(pol, kStationAddress, kadr, payload.data());
}

std::uint8_t FrameCodec::PodmenaR(std::uint8_t b) {
  if (b == 0xAA) {
    RS232.Nb = 0;
    RS232.Podmena = 0;
    return 0xAA;
  }
  if (b == 0x55) {
    RS232.Podmena = 1;
    return 0x55;
  }
  if (RS232.Podmena == 1) {
    RS232.Podmena = 0;
    if (b == 0x01) return 0xAA;
    if (b == 0x02) return 0x55;
  }
  return b;
}

void FrameCodec::Obrabotka_N(std::uint8_t b) {
  if (inputIgnored && inputIgnored()) return;
  const std::uint8_t u = PodmenaR(b);
  if (RS232.Podmena == 1) return;  // the escape itself is no part of the frame
  RS232.CRC = crc8(u, RS232.CRC);
  switch (RS232.Nb) {
    case 0:
      if (u == 0xAA) {
        RS232.CRC = crc8(0xAA, 0);
        RS232.Podmena = 0;
        RS232.Nb = 1;
      }
      break;
    case 1:
      RS232.Pol = u;
      RS232.Nb = 2;
      break;
    case 2:
      RS232.Otpr = u;
      RS232.Nb = 3;
      break;
    case 3:
      RS232.Kadr = u;
      RS232.Nb = 4;
      break;
    case 4:
      RS232.Kol_d = u;
      RS232.i = 0;
      if (u == 0) {
        RS232.CRC_pred = RS232.CRC;
        RS232.Nb = 6;
      } else {
        RS232.Nb = 5;
      }
      break;
    case 5:
      RS232.Dann[RS232.i] = u;  // i < L <= 255 < 1024
      ++RS232.i;
      if (RS232.i >= RS232.Kol_d) {
        RS232.CRC_pred = RS232.CRC;
        RS232.Nb = 6;
      }
      break;
    case 6:
      RS232.Nb = 0;
      if (u == RS232.CRC_pred && onGoodFrame) onGoodFrame(RS232);
      break;
    default:
      RS232.Nb = 0;
      break;
  }
}

}  // namespace vs
