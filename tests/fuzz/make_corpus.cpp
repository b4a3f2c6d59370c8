// Writes the hand-built fixture files of the telemetry tests into a folder, as seeds for
// the fuzz targets (the forge adds whole files of each kind beside them): files,
// sentence_* for the text target, gpmf_* for the KLV target, sei_* for the frame target.
#include "Fixtures.h"

#include <cstdio>

using fx::atom;
using fx::Bytes;
using tst::gpsBlock;

namespace {

void save(const std::string &dir, const std::string &name, const Bytes &b)
{
    const std::string path = dir + "/" + name;
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return;
    std::fwrite(b.data.data(), 1, b.data.size(), f);
    std::fclose(f);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_corpus DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::string gga = "$GPGGA,123519,3112.0000,N,12130.0000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";

    // one trak: sample 30 ends at 32768 exactly, so its block sits there
    std::vector<uint32_t> sizes(30, 10), offsets(30, 100);
    sizes[29] = 768, offsets[29] = 32000;
    Bytes one = fx::ftypAndMdat({{32768, gpsBlock(-981, 1500, 12, fx::kFix)}}, 32768 + 188);
    one.append(atom("moov", fx::mvhd().append(fx::trak(fx::stsz(sizes, 30).append(fx::stco(offsets, 30))))
                                .append(fx::udta("NT9665"))));
    save(dir, "fixture_one_trak.MOV", one);

    // two traks: chunk offsets that wrap to small block positions once 65536 is added
    Bytes two = fx::ftypAndMdat({{256, gpsBlock(1, 2, 3, fx::kFix)}, {512, gpsBlock(4, 5, 6, gga)}}, 700);
    two.append(atom("moov", fx::mvhd()
                                .append(fx::trak(fx::stsz({10, 10}, 2).append(fx::stco({40, 50}, 2))))
                                .append(fx::trak(fx::stco({0xFFFF0100u, 0xFFFF0200u}, 2)))
                                .append(fx::udta("NT9665"))));
    save(dir, "fixture_two_traks.MOV", two);

    // index atom after udta
    Bytes indexed = fx::ftypAndMdat({{64, gpsBlock(120, -340, 10001, fx::kFix)}, {256, gpsBlock(10000, -10000, 981, gga)},
                                     {448, gpsBlock(0, 0, 1000, fx::kNoFix)}},
                                    640);
    indexed.append(atom("moov", fx::mvhd().append(fx::udta("NT9666")).append(fx::gpsIndex({64, 256, 448, 9999999}, 4))));
    save(dir, "fixture_index.MOV", indexed);
    save(dir, "fixture_icat6330.MOV", Bytes(indexed).text("ICAT6330"));

    // a 64-bit atom size before moov
    Bytes large = fx::ftyp();
    large.be32(1).text("free").be64(24).zeros(8);
    large.append(atom("moov", fx::mvhd().append(fx::udta("NT9666")).append(fx::gpsIndex({0}, 1))));
    save(dir, "fixture_largesize.MOV", large);

    // GPMF payloads for the KLV target: GPS5 with ACCL, GPS9, lying and cut sizes
    const Bytes accl = fx::acclStream({{4100, 0, -418}, {0, 0, 0}});
    const Bytes good = fx::devc(fx::gpsStream(fx::gps5({fx::kFix5, fx::kFix5})).append(accl));
    Bytes nine = fx::be32s({515000000, -1000000, 35000, 10000, 1000, 9808, 45296250});
    nine.be16(150).be16(3);
    const Bytes gps9 = fx::klv("TYPE", 'c', 9, 1, Bytes().text("lllllllSS"))
                           .append(fx::klv("SCAL", 'l', 4, 9, fx::be32s({10000000, 10000000, 1000, 1000, 100, 1, 1000, 100, 1})))
                           .append(fx::klv("GPS9", '?', 32, 1, nine));
    Bytes lying = good;
    lying.data[lying.size() - accl.size() - 4 * 10 - 2] = 0x7F;
    save(dir, "gpmf_gps5.bin", good);
    save(dir, "gpmf_gps9.bin", fx::devc(fx::gpsStream(gps9)));
    save(dir, "gpmf_lying.bin", lying);
    save(dir, "gpmf_cut.bin", Bytes().raw(good.data.data(), good.size() - 6));

    // frames for the SEI target: a first byte for the codec and length size, then the frame
    const Bytes msg = fx::carMessage();
    const Bytes plain = fx::unit(fx::slice());
    save(dir, "sei_h264_uuid.bin", Bytes().zeros(1).append(fx::unit(fx::seiUnit(fx::seiMessage(msg, true)))).append(plain));
    save(dir, "sei_h264_bare.bin", Bytes().zeros(1).append(fx::unit(fx::seiUnit(fx::seiMessage(msg, false)))).append(plain));
    save(dir, "sei_h265_2byte.bin", Bytes().text("\x03").append(fx::unit(fx::seiUnit(fx::seiMessage(msg, true), true), 2))
                                        .append(fx::unit(fx::slice(true), 2)));
    save(dir, "sei_ends_early.bin", Bytes().zeros(1).append(fx::unit(fx::seiUnit(fx::seiMessage(msg, true, 40)))));
    save(dir, "sei_message.bin", Bytes().zeros(1).append(msg));

    // sentences for the text target
    const char *sentences[] = {
        "$GPRMC,123519,A,4807.0380,N,01131.0000,E,022.4,084.4,230394,003.1,W*6A\r\n",
        "$GPRMC,123519,A,4807.0380,N,01131.0000,E,,,230394,003.1,W*6A",
        "$GLRMC,000001,A,5130.12345,S,00007.65432,W,10.0,270.5,081126,,,A*00",
        "$GPRMC,123520,V,,,,,,,230394,,,N*53",
        "$GPGGA,123519,4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,*47",
        "file:///tmp/a%20b/FILE%E4%B8%AD.MOV",
    };
    int i = 0;
    for (const char *s : sentences)
        save(dir, "sentence_" + std::to_string(i++) + ".txt", Bytes().text(s));
    return 0;
}
