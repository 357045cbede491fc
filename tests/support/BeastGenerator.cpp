#include "support/BeastGenerator.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace vireon::test {

namespace {

constexpr double zones = 15;
constexpr double bits17 = 131072;
constexpr quint32 firstAddress = 0xa00000;
constexpr char callSignAlphabet[] = "#ABCDEFGHIJKLMNOPQRSTUVWXYZ##### ###############0123456789######";

double positiveModulo(double value, double divisor)
{
    return value - divisor * std::floor(value / divisor);
}

// Longitude zones at a latitude, as the decoder computes them.
int longitudeZones(double latitude)
{
    if (latitude == 0)
        return 59;
    if (std::abs(latitude) >= 87)
        return 1;
    const double pi = std::numbers::pi;
    const double a = 1 - std::cos(pi / (2 * zones));
    const double b = std::pow(std::cos(pi / 180 * std::abs(latitude)), 2);
    return int(std::floor(2 * pi / std::acos(1 - a / b)));
}

struct Cpr {
    quint64 latitude;
    quint64 longitude;
};

Cpr encode(double latitude, double longitude, bool odd)
{
    const int i = odd ? 1 : 0;
    const double dLat = 360.0 / (4 * zones - i);
    const double yz = std::floor(bits17 * positiveModulo(latitude, dLat) / dLat + 0.5);
    const double rLat = dLat * (yz / bits17 + std::floor(latitude / dLat));
    const double dLon = 360.0 / std::max(longitudeZones(rLat) - i, 1);
    const double xz = std::floor(bits17 * positiveModulo(longitude, dLon) / dLon + 0.5);
    return {quint64(yz) % quint64(bits17), quint64(xz) % quint64(bits17)};
}

QByteArray squitter(quint32 address, quint64 me)
{
    QByteArray message;
    message.append(char(0x8d)); // extended squitter, capability 5
    for (int shift = 16; shift >= 0; shift -= 8)
        message.append(char((address >> shift) & 0xff));
    for (int shift = 48; shift >= 0; shift -= 8)
        message.append(char((me >> shift) & 0xff));
    const quint32 parity = BeastGenerator::crc24(message);
    for (int shift = 16; shift >= 0; shift -= 8)
        message.append(char((parity >> shift) & 0xff));
    return message;
}

QByteArray airbornePosition(quint32 address, double latitude, double longitude, int feet, bool odd)
{
    const auto n = quint64((feet + 1000) / 25);
    const quint64 altitude = ((n & 0x7f0) << 1) | 0x10 | (n & 0xf);
    const Cpr cpr = encode(latitude, longitude, odd);
    const quint64 me = (quint64(11) << 51) | (altitude << 36) | (quint64(odd ? 1 : 0) << 34) |
                       (cpr.latitude << 17) | cpr.longitude;
    return squitter(address, me);
}

QByteArray identification(quint32 address, const QByteArray& callSign)
{
    quint64 me = quint64(4) << 51;
    const QByteArray padded = callSign.leftJustified(8, ' ', true);
    for (int i = 0; i < 8; ++i) {
        const char* found = std::strchr(callSignAlphabet, padded[i]);
        me |= quint64(found ? found - callSignAlphabet : 32) << (42 - 6 * i);
    }
    return squitter(address, me);
}

} // namespace

BeastGenerator::BeastGenerator(double latitude, double longitude, int aircraft)
    : m_latitude(latitude), m_longitude(longitude), m_aircraft(aircraft)
{}

quint32 BeastGenerator::crc24(const QByteArray& message)
{
    constexpr quint32 polynomial = 0xfff409;
    quint32 crc = 0;
    for (const char byte : message) {
        crc ^= quint32(quint8(byte)) << 16;
        for (int bit = 0; bit < 8; ++bit) {
            crc <<= 1;
            if (crc & 0x1000000)
                crc ^= polynomial;
        }
    }
    return crc & 0xffffff;
}

QByteArray BeastGenerator::frame(const QByteArray& message)
{
    // 12 MHz clock ticks, 50 ms apart, so the decoder sees a plausible sequence.
    m_timestamp += 600'000;
    QByteArray body;
    for (int shift = 40; shift >= 0; shift -= 8)
        body.append(char((m_timestamp >> shift) & 0xff));
    body.append(char(0x80)); // signal level
    body.append(message);
    QByteArray framed("\x1a"
                      "3");
    for (const char byte : body) {
        framed.append(byte);
        if (byte == '\x1a')
            framed.append(byte);
    }
    return framed;
}

QByteArray BeastGenerator::round()
{
    QByteArray out;
    const double pi = std::numbers::pi;
    for (int k = 0; k < m_aircraft; ++k) {
        const double angle = 2 * pi * k / m_aircraft;
        const double latitude = m_latitude + 0.3 * std::cos(angle);
        const double longitude = m_longitude + 0.45 * std::sin(angle);
        const quint32 address = firstAddress + quint32(k);
        for (const bool odd : {false, true})
            out.append(frame(airbornePosition(address, latitude, longitude, 30000 + 100 * k, odd)));
        out.append(frame(identification(address, "VIR" + QByteArray::number(k))));
    }
    return out;
}

} // namespace vireon::test
