// The mimic document: one fixed-size record `konstrT` per file in "disp" (and `konstrT255`, the
// older format with 255 slots per kind), built of 816-byte elements `Tlabel_`. Read and written
// byte for byte; reserved fields, run-time references, padding and string tails are kept.
#pragma once
#include <array>
#include <cstdint>

#include "common/PString.h"
#include "common/Records.h"

namespace vs {

constexpr std::int32_t kChifr = 51766587;  // 0x0315E53B, the format marker of both formats
constexpr int kMaxPanels = 255;            // `Na` slots
constexpr int kMaxElements = 1000;         // `Lb`, `Dsk`, `Za` slots
constexpr int kOldSlots = 255;             // every kind in the older format

#pragma pack(push, 1)

// A font as the editor's font dialog gives it.
struct TFont_ {
  std::uint8_t Style;  // bit 0 bold, 1 italic, 2 underline, 3 strike-out
  std::array<std::uint8_t, 3> pad0;
  std::int32_t Size;    // points
  PString<255> Name;    // family
  std::int32_t Height;  // pixels; negative for character height
  std::uint32_t Color;  // 0x00BBGGRR, or 0xFF0000nn for system colour nn
  std::uint8_t Charset;
  std::array<std::uint8_t, 3> pad1;
};

// One element: panel, sensor, label or icon (the array it lies in says which).
struct Tlabel_ {
  std::int32_t Left;
  std::int32_t Top;
  std::int32_t Tag;  // the element's 1-based slot
  std::int32_t Height;
  std::int32_t Width;
  std::int32_t Tip;  // sensor value kind 0..11
  std::int32_t PenWidth;
  std::int32_t N_KP;  // 1-based row of the incubator; 0 = the current one (`nom_KP0`)
  std::int32_t N_Na;  // sensor: slot of the panel it was placed in
  std::int32_t N_Img;
  std::int32_t Number;
  std::int32_t N_OUT1;
  std::int32_t N_OUT2;
  std::int32_t N_OUT3;
  std::int32_t N_NN;
  std::int32_t Verh;
  float RS_2;
  float RS_3;
  std::int32_t Obem;
  std::uint8_t privazkaKP;   // label attached to the panel named in NameNa
  std::uint8_t Transparent;  // sensor
  std::uint8_t WriteNo;
  std::uint8_t NazvanieNOM;  // label caption is Text followed by the incubator number
  std::uint8_t Tpodch;       // sensor: underline while it is the working sensor
  std::uint8_t noAVARIA;
  std::uint8_t ___REZ17;
  std::uint8_t pad0;
  TFont_ Font;
  std::uint32_t FontT;  // run-time reference, meaningless on disk
  PString<50> Name;     // kind letter, "_", number
  PString<50> Text;
  PString<50> NameNa;  // Name of the parent panel
  PString<50> s_r2;
  PString<50> s_r3;
  PString<50> s_r4;
  std::array<std::uint8_t, 2> pad1;
  std::int32_t Image;  // icon condition and picture 0..8
  std::uint32_t BrushColor;
  std::uint32_t PenColor;
  std::uint32_t Color;  // background
  std::uint32_t Color2;
  std::uint32_t Color3;
  std::uint32_t Color__1;
  std::uint32_t Color__2;
  std::uint32_t Color__3;
  std::uint32_t Color__4;
  PString<50> sNO;
  PString<50> sYes;
  std::array<std::uint8_t, 2> pad2;
};

// The fields both formats share, offsets 0..567.
#define VS_KONSTR_HEAD                                                    \
  std::int32_t kol_Lb;                                                    \
  std::int32_t kol_Dsk;                                                   \
  std::int32_t kol_Za;                                                    \
  std::int32_t kol_Na;                                                    \
  std::int32_t kol_Bas;                                                   \
  std::int32_t NumberZa;                                                  \
  std::uint8_t nal_KP0;                                                   \
  std::array<std::uint8_t, 3> pad0;                                       \
  std::int32_t nom_KP0; /* 1-based row followed by elements bound to 0 */ \
  std::int32_t NumberNa;                                                  \
  std::int32_t NumberDsk;                                                 \
  std::int32_t NumberLb;                                                  \
  std::uint32_t PC; /* run-time references, meaningless on disk */        \
  std::uint32_t Im;                                                       \
  char ImOn; /* 'o' image shown, 'n' switched off, else none chosen */    \
  PString<255> Im_f;                                                      \
  PString<255> Im_f______r;                                               \
  std::array<std::uint8_t, 3> pad1;

struct konstrT {
  VS_KONSTR_HEAD
  std::array<Tlabel_, kMaxElements> Lb;
  std::array<Tlabel_, kMaxElements> Dsk;
  std::array<Tlabel_, kMaxPanels> Na;
  std::array<Tlabel_, kMaxElements> Za;
  std::uint32_t ColorOFF;  // panel colour of incubators out of service
  std::uint8_t kpdtOFF;
  std::array<std::uint8_t, 3> pad2;
  std::int32_t chifr;
};

struct konstrT255 {
  VS_KONSTR_HEAD
  std::array<Tlabel_, kOldSlots> Lb;
  std::array<Tlabel_, kOldSlots> Dsk;
  std::array<Tlabel_, kOldSlots> Na;
  std::array<Tlabel_, kOldSlots> Za;
  std::uint32_t ColorOFF;
  std::uint8_t kpdtOFF;
  std::array<std::uint8_t, 3> pad2;
  std::int32_t chifr;
};

#pragma pack(pop)
#undef VS_KONSTR_HEAD

VS_SIZE(TFont_, 276);
VS_OFFSET(TFont_, Style, 0);
VS_OFFSET(TFont_, pad0, 1);
VS_OFFSET(TFont_, Size, 4);
VS_OFFSET(TFont_, Name, 8);
VS_OFFSET(TFont_, Height, 264);
VS_OFFSET(TFont_, Color, 268);
VS_OFFSET(TFont_, Charset, 272);
VS_OFFSET(TFont_, pad1, 273);

VS_SIZE(Tlabel_, 816);
VS_OFFSET(Tlabel_, Left, 0);
VS_OFFSET(Tlabel_, Top, 4);
VS_OFFSET(Tlabel_, Tag, 8);
VS_OFFSET(Tlabel_, Height, 12);
VS_OFFSET(Tlabel_, Width, 16);
VS_OFFSET(Tlabel_, Tip, 20);
VS_OFFSET(Tlabel_, PenWidth, 24);
VS_OFFSET(Tlabel_, N_KP, 28);
VS_OFFSET(Tlabel_, N_Na, 32);
VS_OFFSET(Tlabel_, N_Img, 36);
VS_OFFSET(Tlabel_, Number, 40);
VS_OFFSET(Tlabel_, N_OUT1, 44);
VS_OFFSET(Tlabel_, N_OUT2, 48);
VS_OFFSET(Tlabel_, N_OUT3, 52);
VS_OFFSET(Tlabel_, N_NN, 56);
VS_OFFSET(Tlabel_, Verh, 60);
VS_OFFSET(Tlabel_, RS_2, 64);
VS_OFFSET(Tlabel_, RS_3, 68);
VS_OFFSET(Tlabel_, Obem, 72);
VS_OFFSET(Tlabel_, privazkaKP, 76);
VS_OFFSET(Tlabel_, Transparent, 77);
VS_OFFSET(Tlabel_, WriteNo, 78);
VS_OFFSET(Tlabel_, NazvanieNOM, 79);
VS_OFFSET(Tlabel_, Tpodch, 80);
VS_OFFSET(Tlabel_, noAVARIA, 81);
VS_OFFSET(Tlabel_, ___REZ17, 82);
VS_OFFSET(Tlabel_, pad0, 83);
VS_OFFSET(Tlabel_, Font, 84);
VS_OFFSET(Tlabel_, FontT, 360);
VS_OFFSET(Tlabel_, Name, 364);
VS_OFFSET(Tlabel_, Text, 415);
VS_OFFSET(Tlabel_, NameNa, 466);
VS_OFFSET(Tlabel_, s_r2, 517);
VS_OFFSET(Tlabel_, s_r3, 568);
VS_OFFSET(Tlabel_, s_r4, 619);
VS_OFFSET(Tlabel_, pad1, 670);
VS_OFFSET(Tlabel_, Image, 672);
VS_OFFSET(Tlabel_, BrushColor, 676);
VS_OFFSET(Tlabel_, PenColor, 680);
VS_OFFSET(Tlabel_, Color, 684);
VS_OFFSET(Tlabel_, Color2, 688);
VS_OFFSET(Tlabel_, Color3, 692);
VS_OFFSET(Tlabel_, Color__1, 696);
VS_OFFSET(Tlabel_, Color__2, 700);
VS_OFFSET(Tlabel_, Color__3, 704);
VS_OFFSET(Tlabel_, Color__4, 708);
VS_OFFSET(Tlabel_, sNO, 712);
VS_OFFSET(Tlabel_, sYes, 763);
VS_OFFSET(Tlabel_, pad2, 814);

VS_OFFSET(konstrT, kol_Lb, 0);
VS_OFFSET(konstrT, kol_Dsk, 4);
VS_OFFSET(konstrT, kol_Za, 8);
VS_OFFSET(konstrT, kol_Na, 12);
VS_OFFSET(konstrT, kol_Bas, 16);
VS_OFFSET(konstrT, NumberZa, 20);
VS_OFFSET(konstrT, nal_KP0, 24);
VS_OFFSET(konstrT, pad0, 25);
VS_OFFSET(konstrT, nom_KP0, 28);
VS_OFFSET(konstrT, NumberNa, 32);
VS_OFFSET(konstrT, NumberDsk, 36);
VS_OFFSET(konstrT, NumberLb, 40);
VS_OFFSET(konstrT, PC, 44);
VS_OFFSET(konstrT, Im, 48);
VS_OFFSET(konstrT, ImOn, 52);
VS_OFFSET(konstrT, Im_f, 53);
VS_OFFSET(konstrT, Im_f______r, 309);
VS_OFFSET(konstrT, pad1, 565);
VS_OFFSET(konstrT255, kol_Lb, 0);
VS_OFFSET(konstrT255, kol_Dsk, 4);
VS_OFFSET(konstrT255, kol_Za, 8);
VS_OFFSET(konstrT255, kol_Na, 12);
VS_OFFSET(konstrT255, kol_Bas, 16);
VS_OFFSET(konstrT255, NumberZa, 20);
VS_OFFSET(konstrT255, nal_KP0, 24);
VS_OFFSET(konstrT255, pad0, 25);
VS_OFFSET(konstrT255, nom_KP0, 28);
VS_OFFSET(konstrT255, NumberNa, 32);
VS_OFFSET(konstrT255, NumberDsk, 36);
VS_OFFSET(konstrT255, NumberLb, 40);
VS_OFFSET(konstrT255, PC, 44);
VS_OFFSET(konstrT255, Im, 48);
VS_OFFSET(konstrT255, ImOn, 52);
VS_OFFSET(konstrT255, Im_f, 53);
VS_OFFSET(konstrT255, Im_f______r, 309);
VS_OFFSET(konstrT255, pad1, 565);

VS_SIZE(konstrT, 2656660);
VS_OFFSET(konstrT, Lb, 568);
VS_OFFSET(konstrT, Dsk, 816568);
VS_OFFSET(konstrT, Na, 1632568);
VS_OFFSET(konstrT, Za, 1840648);
VS_OFFSET(konstrT, ColorOFF, 2656648);
VS_OFFSET(konstrT, kpdtOFF, 2656652);
VS_OFFSET(konstrT, pad2, 2656653);
VS_OFFSET(konstrT, chifr, 2656656);

VS_SIZE(konstrT255, 832900);
VS_OFFSET(konstrT255, Lb, 568);
VS_OFFSET(konstrT255, Dsk, 208648);
VS_OFFSET(konstrT255, Na, 416728);
VS_OFFSET(konstrT255, Za, 624808);
VS_OFFSET(konstrT255, ColorOFF, 832888);
VS_OFFSET(konstrT255, kpdtOFF, 832892);
VS_OFFSET(konstrT255, pad2, 832893);
VS_OFFSET(konstrT255, chifr, 832896);

// The number of slots of a kind that may be used: a count from a file is cut to 0..`capacity`.
// (Not named `slots`: Qt's keyword macro would swallow it in window code.)
inline int usableCount(std::int32_t kol, int capacity) {
  return kol < 0 ? 0 : (kol > capacity ? capacity : static_cast<int>(kol));
}

}  // namespace vs
