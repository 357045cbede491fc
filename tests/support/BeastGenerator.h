#pragma once

#include <QByteArray>

namespace vireon::test {

// Air traffic made up for the decoder: a few aircraft on a ring around a point, each sending its
// airborne position (both CPR parities, so the decoder can place it globally) and its call sign as
// Mode S extended squitters, framed for a Beast input port.
class BeastGenerator {
public:
    BeastGenerator(double latitude, double longitude, int aircraft);

    // One message of each kind from every aircraft.
    QByteArray round();

    static quint32 crc24(const QByteArray& message);

private:
    QByteArray frame(const QByteArray& message);

    double m_latitude;
    double m_longitude;
    int m_aircraft;
    quint64 m_timestamp = 0;
};

} // namespace vireon::test
