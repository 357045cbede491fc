#include "decoder/StickProblem.h"

namespace vireon {

std::optional<StickProblem> StickProblems::inLine(std::string_view lowered)
{
    // librtlsdr writes "usb_open error -3" and then the line about device permissions; either
    // names the cause. Other usb_open errors (busy, gone) are not about permissions. The decoder
    // itself may meet the refusal first, when it reads the stick's names.
    if (lowered.find("usb_open error -3") != std::string_view::npos ||
        lowered.find("please fix the device permissions") != std::string_view::npos ||
        (lowered.find("rtlsdr: error querying device") != std::string_view::npos &&
         lowered.find("permission denied") != std::string_view::npos))
        return StickProblem::permissionDenied;
    if (lowered.find("detaching kernel driver failed") != std::string_view::npos)
        return StickProblem::kernelDriverHolds;
    if (lowered.find("rtlsdr_read_async returned unexpectedly") != std::string_view::npos)
        return StickProblem::lostWhileRunning;
    return std::nullopt;
}

QString StickProblems::cause(StickProblem problem)
{
    switch (problem) {
    case StickProblem::permissionDenied:
        return QStringLiteral("This user account is not allowed to open the stick.");
    case StickProblem::kernelDriverHolds:
        return QStringLiteral("The DVB-T kernel driver holds the stick and could not be detached.");
    case StickProblem::lostWhileRunning:
        return QStringLiteral("The stick was lost while the decoder was reading from it.");
    }
    return {};
}

QString StickProblems::remedy(StickProblem problem)
{
    switch (problem) {
    case StickProblem::permissionDenied:
        return QStringLiteral("Unplug the stick and plug it in again; if it is still refused, run \u201csudo "
                              "adduser $USER plugdev\u201d and log in again.");
    case StickProblem::kernelDriverHolds:
        return QStringLiteral(
            "Add the line \u201cblacklist dvb_usb_rtl28xxu\u201d to a file in /etc/modprobe.d/, "
            "then unplug the stick and plug it in again.");
    case StickProblem::lostWhileRunning:
        return QStringLiteral(
            "Plug the stick directly into the computer (avoid unpowered hubs) \u2014 feeding "
            "resumes automatically.");
    }
    return {};
}

QString StickProblems::hint(StickProblem problem)
{
    return cause(problem) + u' ' + remedy(problem);
}

} // namespace vireon
