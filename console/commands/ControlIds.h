#pragma once

#include <array>

// Numeric identifiers of the registration form's controls (template 101), and the groups of
// them that the commands switch together.
namespace mireval::ids {

inline constexpr int kFormTemplate = 101;

inline constexpr int kApellido1Label = 1000;
inline constexpr int kNombreLabel = 1001;
inline constexpr int kNombre = 1002;
inline constexpr int kApellido2Label = 1003;
inline constexpr int kDniLabel = 1004;
inline constexpr int kDni = 1005;
inline constexpr int kApellido1 = 1006;
inline constexpr int kApellido2 = 1007;
inline constexpr int kPersonalGroup = 1008;
inline constexpr int kFinDeSemana = 1009;
inline constexpr int kAgosto = 1010;
inline constexpr int kIntervalo = 1011;
inline constexpr int kAnioA = 1016;
inline constexpr int kDiaALabel = 1017;
inline constexpr int kMesALabel = 1018;
inline constexpr int kAnioALabel = 1019;
inline constexpr int kDiaB = 1021;
inline constexpr int kMesB = 1022;
inline constexpr int kAnioB = 1023;
inline constexpr int kDiaBLabel = 1024;
inline constexpr int kDiaA = 1025;
inline constexpr int kMesA = 1026;
inline constexpr int kClearForm = 1027;
inline constexpr int kSearch = 1028;
inline constexpr int kDeleteHistory = 1029;
inline constexpr int kDeleteRecord = 1030;
inline constexpr int kAddOrSave = 1031;
inline constexpr int kModifyOrCancel = 1032;
inline constexpr int kHistory = 1033;
inline constexpr int kRestrictionsGroup = 1034;
inline constexpr int kStartDateGroup = 1035;
inline constexpr int kEndDateGroup = 1036;
inline constexpr int kHistoryGroup = 1037;
inline constexpr int kAnioBLabel = 1038;
inline constexpr int kMesBLabel = 1039;
inline constexpr int kDoorsGroup = 1056;

// P1 to P8: entry i is door i + 1.
inline constexpr std::array<int, 8> kDoorBoxes = {1048, 1049, 1050, 1051, 1052, 1053, 1054, 1055};

// The six date lists in the order the period check box switches them: start day, month, year,
// then end day, month, year.
inline constexpr std::array<int, 6> kDateLists = {kDiaA, kMesA, kAnioA, kDiaB, kMesB, kAnioB};
// Their captions, in the order the period check box switches them.
inline constexpr std::array<int, 6> kDateLabels = {kDiaALabel, kDiaBLabel,  kMesALabel,
                                                   kMesBLabel, kAnioALabel, kAnioBLabel};

}  // namespace mireval::ids
