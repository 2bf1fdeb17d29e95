#include "evidence/msvc_products.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <tuple>

namespace vantric {
namespace {

using T = MsvcTool;
using E = MsvcEra;

// Product ids and names, one row per id from 0x0000 to 0x010E, indexed by id.
// Source: github.com/kirschju/richheader, prodids.py (the names there carry a
// "prodid" prefix, dropped here). That list gives 0x00D3 twice; its second
// 0x00D3, Utc1800_CVTCIL_CPP, sits in the sequence at 0x00E3, where it is put
// here. Which generation an id's builds belong to follows the same file's
// grouping of ids by Visual Studio version, checked against the ids real
// programs carry per release in github.com/dishather/richprint, comp_id.txt
// (e.g. 0x000F Masm710 with VS2003 builds 3077/6030, 0x0015/0x0016 Utc12 Std
// with VC++ 6.0 SP5). Ids whose builds no public list ties to a release (SDK,
// DDK and pre-release tool sets, Visual Basic) have era kNone.
constexpr std::array<MsvcProduct, 0x010F> kProducts{{
    {0x0000, "Unknown", T::kUnknown, E::kNone},
    {0x0001, "Import0", T::kImportLibrary, E::kNone},
    {0x0002, "Linker510", T::kLinker, E::kNone},
    {0x0003, "Cvtomf510", T::kCvtomf, E::kNone},
    {0x0004, "Linker600", T::kLinker, E::kVs6},
    {0x0005, "Cvtomf600", T::kCvtomf, E::kVs6},
    {0x0006, "Cvtres500", T::kResourceConverter, E::kNone},
    {0x0007, "Utc11_Basic", T::kBasicCompiler, E::kNone},
    {0x0008, "Utc11_C", T::kCCompiler, E::kNone},
    {0x0009, "Utc12_Basic", T::kBasicCompiler, E::kNone},
    {0x000A, "Utc12_C", T::kCCompiler, E::kVs6},
    {0x000B, "Utc12_CPP", T::kCppCompiler, E::kVs6},
    {0x000C, "AliasObj60", T::kAliasObject, E::kVs6},
    {0x000D, "VisualBasic60", T::kVisualBasic, E::kNone},
    {0x000E, "Masm613", T::kAssembler, E::kNone},
    {0x000F, "Masm710", T::kAssembler, E::kVs2003},
    {0x0010, "Linker511", T::kLinker, E::kNone},
    {0x0011, "Cvtomf511", T::kCvtomf, E::kNone},
    {0x0012, "Masm614", T::kAssembler, E::kNone},
    {0x0013, "Linker512", T::kLinker, E::kNone},
    {0x0014, "Cvtomf512", T::kCvtomf, E::kNone},
    {0x0015, "Utc12_C_Std", T::kCCompiler, E::kVs6},
    {0x0016, "Utc12_CPP_Std", T::kCppCompiler, E::kVs6},
    {0x0017, "Utc12_C_Book", T::kCCompiler, E::kVs6},
    {0x0018, "Utc12_CPP_Book", T::kCppCompiler, E::kVs6},
    {0x0019, "Implib700", T::kImportLibrary, E::kVs2002},
    {0x001A, "Cvtomf700", T::kCvtomf, E::kVs2002},
    {0x001B, "Utc13_Basic", T::kBasicCompiler, E::kNone},
    {0x001C, "Utc13_C", T::kCCompiler, E::kVs2002},
    {0x001D, "Utc13_CPP", T::kCppCompiler, E::kVs2002},
    {0x001E, "Linker610", T::kLinker, E::kNone},
    {0x001F, "Cvtomf610", T::kCvtomf, E::kNone},
    {0x0020, "Linker601", T::kLinker, E::kNone},
    {0x0021, "Cvtomf601", T::kCvtomf, E::kNone},
    {0x0022, "Utc12_1_Basic", T::kBasicCompiler, E::kNone},
    {0x0023, "Utc12_1_C", T::kCCompiler, E::kNone},
    {0x0024, "Utc12_1_CPP", T::kCppCompiler, E::kNone},
    {0x0025, "Linker620", T::kLinker, E::kNone},
    {0x0026, "Cvtomf620", T::kCvtomf, E::kNone},
    {0x0027, "AliasObj70", T::kAliasObject, E::kVs2002},
    {0x0028, "Linker621", T::kLinker, E::kNone},
    {0x0029, "Cvtomf621", T::kCvtomf, E::kNone},
    {0x002A, "Masm615", T::kAssembler, E::kNone},
    {0x002B, "Utc13_LTCG_C", T::kLtcgC, E::kVs2002},
    {0x002C, "Utc13_LTCG_CPP", T::kLtcgCpp, E::kVs2002},
    {0x002D, "Masm620", T::kAssembler, E::kNone},
    {0x002E, "ILAsm100", T::kIlAssembler, E::kNone},
    {0x002F, "Utc12_2_Basic", T::kBasicCompiler, E::kNone},
    {0x0030, "Utc12_2_C", T::kCCompiler, E::kNone},
    {0x0031, "Utc12_2_CPP", T::kCppCompiler, E::kNone},
    {0x0032, "Utc12_2_C_Std", T::kCCompiler, E::kNone},
    {0x0033, "Utc12_2_CPP_Std", T::kCppCompiler, E::kNone},
    {0x0034, "Utc12_2_C_Book", T::kCCompiler, E::kNone},
    {0x0035, "Utc12_2_CPP_Book", T::kCppCompiler, E::kNone},
    {0x0036, "Implib622", T::kImportLibrary, E::kNone},
    {0x0037, "Cvtomf622", T::kCvtomf, E::kNone},
    {0x0038, "Cvtres501", T::kResourceConverter, E::kNone},
    {0x0039, "Utc13_C_Std", T::kCCompiler, E::kVs2002},
    {0x003A, "Utc13_CPP_Std", T::kCppCompiler, E::kVs2002},
    {0x003B, "Cvtpgd1300", T::kCvtpgd, E::kVs2002},
    {0x003C, "Linker622", T::kLinker, E::kNone},
    {0x003D, "Linker700", T::kLinker, E::kVs2002},
    {0x003E, "Export622", T::kExportLibrary, E::kNone},
    {0x003F, "Export700", T::kExportLibrary, E::kVs2002},
    {0x0040, "Masm700", T::kAssembler, E::kVs2002},
    {0x0041, "Utc13_POGO_I_C", T::kPgoInstrumentC, E::kVs2002},
    {0x0042, "Utc13_POGO_I_CPP", T::kPgoInstrumentCpp, E::kVs2002},
    {0x0043, "Utc13_POGO_O_C", T::kPgoOptimizeC, E::kVs2002},
    {0x0044, "Utc13_POGO_O_CPP", T::kPgoOptimizeCpp, E::kVs2002},
    {0x0045, "Cvtres700", T::kResourceConverter, E::kVs2002},
    {0x0046, "Cvtres710p", T::kResourceConverter, E::kNone},
    {0x0047, "Linker710p", T::kLinker, E::kNone},
    {0x0048, "Cvtomf710p", T::kCvtomf, E::kNone},
    {0x0049, "Export710p", T::kExportLibrary, E::kNone},
    {0x004A, "Implib710p", T::kImportLibrary, E::kNone},
    {0x004B, "Masm710p", T::kAssembler, E::kNone},
    {0x004C, "Utc1310p_C", T::kCCompiler, E::kNone},
    {0x004D, "Utc1310p_CPP", T::kCppCompiler, E::kNone},
    {0x004E, "Utc1310p_C_Std", T::kCCompiler, E::kNone},
    {0x004F, "Utc1310p_CPP_Std", T::kCppCompiler, E::kNone},
    {0x0050, "Utc1310p_LTCG_C", T::kLtcgC, E::kNone},
    {0x0051, "Utc1310p_LTCG_CPP", T::kLtcgCpp, E::kNone},
    {0x0052, "Utc1310p_POGO_I_C", T::kPgoInstrumentC, E::kNone},
    {0x0053, "Utc1310p_POGO_I_CPP", T::kPgoInstrumentCpp, E::kNone},
    {0x0054, "Utc1310p_POGO_O_C", T::kPgoOptimizeC, E::kNone},
    {0x0055, "Utc1310p_POGO_O_CPP", T::kPgoOptimizeCpp, E::kNone},
    {0x0056, "Linker624", T::kLinker, E::kNone},
    {0x0057, "Cvtomf624", T::kCvtomf, E::kNone},
    {0x0058, "Export624", T::kExportLibrary, E::kNone},
    {0x0059, "Implib624", T::kImportLibrary, E::kNone},
    {0x005A, "Linker710", T::kLinker, E::kVs2003},
    {0x005B, "Cvtomf710", T::kCvtomf, E::kVs2003},
    {0x005C, "Export710", T::kExportLibrary, E::kVs2003},
    {0x005D, "Implib710", T::kImportLibrary, E::kVs2003},
    {0x005E, "Cvtres710", T::kResourceConverter, E::kVs2003},
    {0x005F, "Utc1310_C", T::kCCompiler, E::kVs2003},
    {0x0060, "Utc1310_CPP", T::kCppCompiler, E::kVs2003},
    {0x0061, "Utc1310_C_Std", T::kCCompiler, E::kVs2003},
    {0x0062, "Utc1310_CPP_Std", T::kCppCompiler, E::kVs2003},
    {0x0063, "Utc1310_LTCG_C", T::kLtcgC, E::kVs2003},
    {0x0064, "Utc1310_LTCG_CPP", T::kLtcgCpp, E::kVs2003},
    {0x0065, "Utc1310_POGO_I_C", T::kPgoInstrumentC, E::kVs2003},
    {0x0066, "Utc1310_POGO_I_CPP", T::kPgoInstrumentCpp, E::kVs2003},
    {0x0067, "Utc1310_POGO_O_C", T::kPgoOptimizeC, E::kVs2003},
    {0x0068, "Utc1310_POGO_O_CPP", T::kPgoOptimizeCpp, E::kVs2003},
    {0x0069, "AliasObj710", T::kAliasObject, E::kVs2003},
    {0x006A, "AliasObj710p", T::kAliasObject, E::kNone},
    {0x006B, "Cvtpgd1310", T::kCvtpgd, E::kVs2003},
    {0x006C, "Cvtpgd1310p", T::kCvtpgd, E::kNone},
    {0x006D, "Utc1400_C", T::kCCompiler, E::kVs2005},
    {0x006E, "Utc1400_CPP", T::kCppCompiler, E::kVs2005},
    {0x006F, "Utc1400_C_Std", T::kCCompiler, E::kVs2005},
    {0x0070, "Utc1400_CPP_Std", T::kCppCompiler, E::kVs2005},
    {0x0071, "Utc1400_LTCG_C", T::kLtcgC, E::kVs2005},
    {0x0072, "Utc1400_LTCG_CPP", T::kLtcgCpp, E::kVs2005},
    {0x0073, "Utc1400_POGO_I_C", T::kPgoInstrumentC, E::kVs2005},
    {0x0074, "Utc1400_POGO_I_CPP", T::kPgoInstrumentCpp, E::kVs2005},
    {0x0075, "Utc1400_POGO_O_C", T::kPgoOptimizeC, E::kVs2005},
    {0x0076, "Utc1400_POGO_O_CPP", T::kPgoOptimizeCpp, E::kVs2005},
    {0x0077, "Cvtpgd1400", T::kCvtpgd, E::kVs2005},
    {0x0078, "Linker800", T::kLinker, E::kVs2005},
    {0x0079, "Cvtomf800", T::kCvtomf, E::kVs2005},
    {0x007A, "Export800", T::kExportLibrary, E::kVs2005},
    {0x007B, "Implib800", T::kImportLibrary, E::kVs2005},
    {0x007C, "Cvtres800", T::kResourceConverter, E::kVs2005},
    {0x007D, "Masm800", T::kAssembler, E::kVs2005},
    {0x007E, "AliasObj800", T::kAliasObject, E::kVs2005},
    {0x007F, "PhoenixPrerelease", T::kUnknown, E::kNone},
    {0x0080, "Utc1400_CVTCIL_C", T::kCvtcilC, E::kVs2005},
    {0x0081, "Utc1400_CVTCIL_CPP", T::kCvtcilCpp, E::kVs2005},
    {0x0082, "Utc1400_LTCG_MSIL", T::kLtcgMsil, E::kVs2005},
    {0x0083, "Utc1500_C", T::kCCompiler, E::kVs2008},
    {0x0084, "Utc1500_CPP", T::kCppCompiler, E::kVs2008},
    {0x0085, "Utc1500_C_Std", T::kCCompiler, E::kVs2008},
    {0x0086, "Utc1500_CPP_Std", T::kCppCompiler, E::kVs2008},
    {0x0087, "Utc1500_CVTCIL_C", T::kCvtcilC, E::kVs2008},
    {0x0088, "Utc1500_CVTCIL_CPP", T::kCvtcilCpp, E::kVs2008},
    {0x0089, "Utc1500_LTCG_C", T::kLtcgC, E::kVs2008},
    {0x008A, "Utc1500_LTCG_CPP", T::kLtcgCpp, E::kVs2008},
    {0x008B, "Utc1500_LTCG_MSIL", T::kLtcgMsil, E::kVs2008},
    {0x008C, "Utc1500_POGO_I_C", T::kPgoInstrumentC, E::kVs2008},
    {0x008D, "Utc1500_POGO_I_CPP", T::kPgoInstrumentCpp, E::kVs2008},
    {0x008E, "Utc1500_POGO_O_C", T::kPgoOptimizeC, E::kVs2008},
    {0x008F, "Utc1500_POGO_O_CPP", T::kPgoOptimizeCpp, E::kVs2008},
    {0x0090, "Cvtpgd1500", T::kCvtpgd, E::kVs2008},
    {0x0091, "Linker900", T::kLinker, E::kVs2008},
    {0x0092, "Export900", T::kExportLibrary, E::kVs2008},
    {0x0093, "Implib900", T::kImportLibrary, E::kVs2008},
    {0x0094, "Cvtres900", T::kResourceConverter, E::kVs2008},
    {0x0095, "Masm900", T::kAssembler, E::kVs2008},
    {0x0096, "AliasObj900", T::kAliasObject, E::kVs2008},
    {0x0097, "Resource", T::kUnknown, E::kNone},
    {0x0098, "AliasObj1000", T::kAliasObject, E::kVs2010},
    {0x0099, "Cvtpgd1600", T::kCvtpgd, E::kVs2010},
    {0x009A, "Cvtres1000", T::kResourceConverter, E::kVs2010},
    {0x009B, "Export1000", T::kExportLibrary, E::kVs2010},
    {0x009C, "Implib1000", T::kImportLibrary, E::kVs2010},
    {0x009D, "Linker1000", T::kLinker, E::kVs2010},
    {0x009E, "Masm1000", T::kAssembler, E::kVs2010},
    {0x009F, "Phx1600_C", T::kCCompiler, E::kNone},
    {0x00A0, "Phx1600_CPP", T::kCppCompiler, E::kNone},
    {0x00A1, "Phx1600_CVTCIL_C", T::kCvtcilC, E::kNone},
    {0x00A2, "Phx1600_CVTCIL_CPP", T::kCvtcilCpp, E::kNone},
    {0x00A3, "Phx1600_LTCG_C", T::kLtcgC, E::kNone},
    {0x00A4, "Phx1600_LTCG_CPP", T::kLtcgCpp, E::kNone},
    {0x00A5, "Phx1600_LTCG_MSIL", T::kLtcgMsil, E::kNone},
    {0x00A6, "Phx1600_POGO_I_C", T::kPgoInstrumentC, E::kNone},
    {0x00A7, "Phx1600_POGO_I_CPP", T::kPgoInstrumentCpp, E::kNone},
    {0x00A8, "Phx1600_POGO_O_C", T::kPgoOptimizeC, E::kNone},
    {0x00A9, "Phx1600_POGO_O_CPP", T::kPgoOptimizeCpp, E::kNone},
    {0x00AA, "Utc1600_C", T::kCCompiler, E::kVs2010},
    {0x00AB, "Utc1600_CPP", T::kCppCompiler, E::kVs2010},
    {0x00AC, "Utc1600_CVTCIL_C", T::kCvtcilC, E::kVs2010},
    {0x00AD, "Utc1600_CVTCIL_CPP", T::kCvtcilCpp, E::kVs2010},
    {0x00AE, "Utc1600_LTCG_C", T::kLtcgC, E::kVs2010},
    {0x00AF, "Utc1600_LTCG_CPP", T::kLtcgCpp, E::kVs2010},
    {0x00B0, "Utc1600_LTCG_MSIL", T::kLtcgMsil, E::kVs2010},
    {0x00B1, "Utc1600_POGO_I_C", T::kPgoInstrumentC, E::kVs2010},
    {0x00B2, "Utc1600_POGO_I_CPP", T::kPgoInstrumentCpp, E::kVs2010},
    {0x00B3, "Utc1600_POGO_O_C", T::kPgoOptimizeC, E::kVs2010},
    {0x00B4, "Utc1600_POGO_O_CPP", T::kPgoOptimizeCpp, E::kVs2010},
    {0x00B5, "AliasObj1010", T::kAliasObject, E::kNone},
    {0x00B6, "Cvtpgd1610", T::kCvtpgd, E::kNone},
    {0x00B7, "Cvtres1010", T::kResourceConverter, E::kNone},
    {0x00B8, "Export1010", T::kExportLibrary, E::kNone},
    {0x00B9, "Implib1010", T::kImportLibrary, E::kNone},
    {0x00BA, "Linker1010", T::kLinker, E::kNone},
    {0x00BB, "Masm1010", T::kAssembler, E::kNone},
    {0x00BC, "Utc1610_C", T::kCCompiler, E::kNone},
    {0x00BD, "Utc1610_CPP", T::kCppCompiler, E::kNone},
    {0x00BE, "Utc1610_CVTCIL_C", T::kCvtcilC, E::kNone},
    {0x00BF, "Utc1610_CVTCIL_CPP", T::kCvtcilCpp, E::kNone},
    {0x00C0, "Utc1610_LTCG_C", T::kLtcgC, E::kNone},
    {0x00C1, "Utc1610_LTCG_CPP", T::kLtcgCpp, E::kNone},
    {0x00C2, "Utc1610_LTCG_MSIL", T::kLtcgMsil, E::kNone},
    {0x00C3, "Utc1610_POGO_I_C", T::kPgoInstrumentC, E::kNone},
    {0x00C4, "Utc1610_POGO_I_CPP", T::kPgoInstrumentCpp, E::kNone},
    {0x00C5, "Utc1610_POGO_O_C", T::kPgoOptimizeC, E::kNone},
    {0x00C6, "Utc1610_POGO_O_CPP", T::kPgoOptimizeCpp, E::kNone},
    {0x00C7, "AliasObj1100", T::kAliasObject, E::kVs2012},
    {0x00C8, "Cvtpgd1700", T::kCvtpgd, E::kVs2012},
    {0x00C9, "Cvtres1100", T::kResourceConverter, E::kVs2012},
    {0x00CA, "Export1100", T::kExportLibrary, E::kVs2012},
    {0x00CB, "Implib1100", T::kImportLibrary, E::kVs2012},
    {0x00CC, "Linker1100", T::kLinker, E::kVs2012},
    {0x00CD, "Masm1100", T::kAssembler, E::kVs2012},
    {0x00CE, "Utc1700_C", T::kCCompiler, E::kVs2012},
    {0x00CF, "Utc1700_CPP", T::kCppCompiler, E::kVs2012},
    {0x00D0, "Utc1700_CVTCIL_C", T::kCvtcilC, E::kVs2012},
    {0x00D1, "Utc1700_CVTCIL_CPP", T::kCvtcilCpp, E::kVs2012},
    {0x00D2, "Utc1700_LTCG_C", T::kLtcgC, E::kVs2012},
    {0x00D3, "Utc1700_LTCG_CPP", T::kLtcgCpp, E::kVs2012},
    {0x00D4, "Utc1700_LTCG_MSIL", T::kLtcgMsil, E::kVs2012},
    {0x00D5, "Utc1700_POGO_I_C", T::kPgoInstrumentC, E::kVs2012},
    {0x00D6, "Utc1700_POGO_I_CPP", T::kPgoInstrumentCpp, E::kVs2012},
    {0x00D7, "Utc1700_POGO_O_C", T::kPgoOptimizeC, E::kVs2012},
    {0x00D8, "Utc1700_POGO_O_CPP", T::kPgoOptimizeCpp, E::kVs2012},
    {0x00D9, "AliasObj1200", T::kAliasObject, E::kVs2013},
    {0x00DA, "Cvtpgd1800", T::kCvtpgd, E::kVs2013},
    {0x00DB, "Cvtres1200", T::kResourceConverter, E::kVs2013},
    {0x00DC, "Export1200", T::kExportLibrary, E::kVs2013},
    {0x00DD, "Implib1200", T::kImportLibrary, E::kVs2013},
    {0x00DE, "Linker1200", T::kLinker, E::kVs2013},
    {0x00DF, "Masm1200", T::kAssembler, E::kVs2013},
    {0x00E0, "Utc1800_C", T::kCCompiler, E::kVs2013},
    {0x00E1, "Utc1800_CPP", T::kCppCompiler, E::kVs2013},
    {0x00E2, "Utc1800_CVTCIL_C", T::kCvtcilC, E::kVs2013},
    {0x00E3, "Utc1800_CVTCIL_CPP", T::kCvtcilCpp, E::kVs2013},
    {0x00E4, "Utc1800_LTCG_C", T::kLtcgC, E::kVs2013},
    {0x00E5, "Utc1800_LTCG_CPP", T::kLtcgCpp, E::kVs2013},
    {0x00E6, "Utc1800_LTCG_MSIL", T::kLtcgMsil, E::kVs2013},
    {0x00E7, "Utc1800_POGO_I_C", T::kPgoInstrumentC, E::kVs2013},
    {0x00E8, "Utc1800_POGO_I_CPP", T::kPgoInstrumentCpp, E::kVs2013},
    {0x00E9, "Utc1800_POGO_O_C", T::kPgoOptimizeC, E::kVs2013},
    {0x00EA, "Utc1800_POGO_O_CPP", T::kPgoOptimizeCpp, E::kVs2013},
    {0x00EB, "AliasObj1210", T::kAliasObject, E::kNone},
    {0x00EC, "Cvtpgd1810", T::kCvtpgd, E::kNone},
    {0x00ED, "Cvtres1210", T::kResourceConverter, E::kNone},
    {0x00EE, "Export1210", T::kExportLibrary, E::kNone},
    {0x00EF, "Implib1210", T::kImportLibrary, E::kNone},
    {0x00F0, "Linker1210", T::kLinker, E::kNone},
    {0x00F1, "Masm1210", T::kAssembler, E::kNone},
    {0x00F2, "Utc1810_C", T::kCCompiler, E::kNone},
    {0x00F3, "Utc1810_CPP", T::kCppCompiler, E::kNone},
    {0x00F4, "Utc1810_CVTCIL_C", T::kCvtcilC, E::kNone},
    {0x00F5, "Utc1810_CVTCIL_CPP", T::kCvtcilCpp, E::kNone},
    {0x00F6, "Utc1810_LTCG_C", T::kLtcgC, E::kNone},
    {0x00F7, "Utc1810_LTCG_CPP", T::kLtcgCpp, E::kNone},
    {0x00F8, "Utc1810_LTCG_MSIL", T::kLtcgMsil, E::kNone},
    {0x00F9, "Utc1810_POGO_I_C", T::kPgoInstrumentC, E::kNone},
    {0x00FA, "Utc1810_POGO_I_CPP", T::kPgoInstrumentCpp, E::kNone},
    {0x00FB, "Utc1810_POGO_O_C", T::kPgoOptimizeC, E::kNone},
    {0x00FC, "Utc1810_POGO_O_CPP", T::kPgoOptimizeCpp, E::kNone},
    {0x00FD, "AliasObj1400", T::kAliasObject, E::kVs14},
    {0x00FE, "Cvtpgd1900", T::kCvtpgd, E::kVs14},
    {0x00FF, "Cvtres1400", T::kResourceConverter, E::kVs14},
    {0x0100, "Export1400", T::kExportLibrary, E::kVs14},
    {0x0101, "Implib1400", T::kImportLibrary, E::kVs14},
    {0x0102, "Linker1400", T::kLinker, E::kVs14},
    {0x0103, "Masm1400", T::kAssembler, E::kVs14},
    {0x0104, "Utc1900_C", T::kCCompiler, E::kVs14},
    {0x0105, "Utc1900_CPP", T::kCppCompiler, E::kVs14},
    {0x0106, "Utc1900_CVTCIL_C", T::kCvtcilC, E::kVs14},
    {0x0107, "Utc1900_CVTCIL_CPP", T::kCvtcilCpp, E::kVs14},
    {0x0108, "Utc1900_LTCG_C", T::kLtcgC, E::kVs14},
    {0x0109, "Utc1900_LTCG_CPP", T::kLtcgCpp, E::kVs14},
    {0x010A, "Utc1900_LTCG_MSIL", T::kLtcgMsil, E::kVs14},
    {0x010B, "Utc1900_POGO_I_C", T::kPgoInstrumentC, E::kVs14},
    {0x010C, "Utc1900_POGO_I_CPP", T::kPgoInstrumentCpp, E::kVs14},
    {0x010D, "Utc1900_POGO_O_C", T::kPgoOptimizeC, E::kVs14},
    {0x010E, "Utc1900_POGO_O_CPP", T::kPgoOptimizeCpp, E::kVs14},
}};

constexpr bool IdsMatchIndexes() {
  for (std::size_t i = 0; i < kProducts.size(); ++i) {
    if (kProducts[i].id != i) return false;
  }
  return true;
}
static_assert(IdsMatchIndexes(), "kProducts is indexed by product id");

struct ReleaseRow {
  MsvcEra era;
  std::uint16_t firstBuild;  // the release's first build; it lasts until the next row's
  MsvcRelease release;
};

constexpr std::string_view kVs6 = "Visual Studio 6.0";
constexpr std::string_view kVs2002 = "Visual Studio .NET 2002";
constexpr std::string_view kVs2003 = "Visual Studio .NET 2003";
constexpr std::string_view kVs2005 = "Visual Studio 2005";
constexpr std::string_view kVs2008 = "Visual Studio 2008";
constexpr std::string_view kVs2010 = "Visual Studio 2010";
constexpr std::string_view kVs2012 = "Visual Studio 2012";
constexpr std::string_view kVs2013 = "Visual Studio 2013";
constexpr std::string_view kVs2015 = "Visual Studio 2015";
constexpr std::string_view kVs2017 = "Visual Studio 2017";
constexpr std::string_view kVs2019 = "Visual Studio 2019";
constexpr std::string_view kVs2022 = "Visual Studio 2022";
constexpr std::string_view kVs2026 = "Visual Studio 2026";

// Ordered by era, then first build. toolsVersion: the toolset version column of
// learn.microsoft.com/cpp/overview/compiler-versions (MicrosoftDocs/cpp-docs,
// docs/overview/compiler-versions.md), written as the linker's MAJOR.MINOR.
constexpr ReleaseRow kReleases[] = {
    // Builds: github.com/dishather/richprint, comp_id.txt ("MSVS6.0 (no
    // servicepacks)" build 8168; "VC++ 6.0 SP5" linker 8447, compilers 8804;
    // SP6 keeps the SP5 compiler build 8804).
    {E::kVs6, 8168, {kVs6, "", "6.00"}},
    {E::kVs6, 8447, {kVs6, "SP5", "6.00"}},
    // github.com/dishather/richprint, comp_id.txt: "MSVS2002 (.NET) 7.0.9466".
    {E::kVs2002, 9466, {kVs2002, "", "7.00"}},
    // github.com/dishather/richprint, comp_id.txt: VS2003 cvtres 3052, other
    // tools 3077; SP1 (kb918007) 6030.
    {E::kVs2003, 3052, {kVs2003, "", "7.10"}},
    {E::kVs2003, 6030, {kVs2003, "SP1", "7.10"}},
    // github.com/dishather/richprint, comp_id.txt: VS2005 (14.00.50727.42);
    // SP1 carries the same build.
    {E::kVs2005, 50727, {kVs2005, "", "8.00"}},
    // github.com/dishather/richprint, comp_id.txt: 9.0.21022.8 RTM, 9.0.30729.1 SP1.
    {E::kVs2008, 21022, {kVs2008, "", "9.00"}},
    {E::kVs2008, 30729, {kVs2008, "SP1", "9.00"}},
    // github.com/dishather/richprint, comp_id.txt: 10.0.30319.1 RTM, 10.0.40219.1 SP1.
    {E::kVs2010, 30319, {kVs2010, "", "10.00"}},
    {E::kVs2010, 40219, {kVs2010, "SP1", "10.00"}},
    // github.com/dishather/richprint, comp_id.txt: 11.0.50727.1 RTM, Update 1
    // 51106, Update 2 60315, Update 3 60610, Update 4 61030.
    {E::kVs2012, 50727, {kVs2012, "", "11.00"}},
    {E::kVs2012, 51106, {kVs2012, "Update 1", "11.00"}},
    {E::kVs2012, 60315, {kVs2012, "Update 2", "11.00"}},
    {E::kVs2012, 60610, {kVs2012, "Update 3", "11.00"}},
    {E::kVs2012, 61030, {kVs2012, "Update 4", "11.00"}},
    // github.com/dishather/richprint, comp_id.txt: 12.0.21005 RTM, Update 2
    // 30501, Update 3 30723, Update 4 31101, Update 5 40629. No build of
    // Update 1 is listed, so builds between RTM and Update 2 read as RTM.
    {E::kVs2013, 21005, {kVs2013, "", "12.00"}},
    {E::kVs2013, 30501, {kVs2013, "Update 2", "12.00"}},
    {E::kVs2013, 30723, {kVs2013, "Update 3", "12.00"}},
    {E::kVs2013, 31101, {kVs2013, "Update 4", "12.00"}},
    {E::kVs2013, 40629, {kVs2013, "Update 5", "12.00"}},
    // github.com/dishather/richprint, comp_id.txt: VS2015 23026, UPD1 23506,
    // UPD2 23918, UPD3 24210 (assembler, cvtres; compilers 24213), UPD3.1 24215.
    {E::kVs14, 23026, {kVs2015, "", "14.00"}},
    {E::kVs14, 23506, {kVs2015, "Update 1", "14.00"}},
    {E::kVs14, 23918, {kVs2015, "Update 2", "14.00"}},
    {E::kVs14, 24210, {kVs2015, "Update 3", "14.00"}},
    // github.com/katjahahn/PortEx, RichHeader.scala (buildMap, taken from
    // dishather/richprint): 15.0 25017, 15.3 25506, 15.4.4 25542, 15.5.2
    // 25831, 15.6.0 26128, 15.7.1 26428, 15.8.0 26726, 15.9.1 27023, 16.0.0
    // 27508, 16.1.2 27702, 16.2.3 27905, 16.3.2 28105, 16.4.0 28314, 16.5.0
    // 28610, 16.6.0 28805, 16.7.0 29110. Where a minor release's .0 build is
    // not listed its earliest listed build starts it.
    {E::kVs14, 25017, {kVs2017, "version 15.0", "14.10"}},
    {E::kVs14, 25506, {kVs2017, "version 15.3", "14.11"}},
    {E::kVs14, 25542, {kVs2017, "version 15.4", "14.11"}},
    {E::kVs14, 25831, {kVs2017, "version 15.5", "14.12"}},
    {E::kVs14, 26128, {kVs2017, "version 15.6", "14.13"}},
    {E::kVs14, 26428, {kVs2017, "version 15.7", "14.14"}},
    {E::kVs14, 26726, {kVs2017, "version 15.8", "14.15"}},
    {E::kVs14, 27023, {kVs2017, "version 15.9", "14.16"}},
    {E::kVs14, 27508, {kVs2019, "version 16.0", "14.20"}},
    {E::kVs14, 27702, {kVs2019, "version 16.1", "14.21"}},
    {E::kVs14, 27905, {kVs2019, "version 16.2", "14.22"}},
    {E::kVs14, 28105, {kVs2019, "version 16.3", "14.23"}},
    {E::kVs14, 28314, {kVs2019, "version 16.4", "14.24"}},
    {E::kVs14, 28610, {kVs2019, "version 16.5", "14.25"}},
    {E::kVs14, 28805, {kVs2019, "version 16.6", "14.26"}},
    {E::kVs14, 29110, {kVs2019, "version 16.7", "14.27"}},
    // learn.microsoft.com/cpp/overview/compiler-versions: the minimum
    // _MSC_FULL_VER of 16.8 is 192829333, of 16.9 192829910, of 16.10
    // 192929917, of 16.11 192930129.
    {E::kVs14, 29333, {kVs2019, "version 16.8", "14.28"}},
    {E::kVs14, 29910, {kVs2019, "version 16.9", "14.28"}},
    {E::kVs14, 29917, {kVs2019, "version 16.10", "14.29"}},
    {E::kVs14, 30129, {kVs2019, "version 16.11", "14.29"}},
    // github.com/dishather/richprint, comp_id.txt (VS2022 entries, as also
    // carried by github.com/katjahahn/PortEx RichHeader.scala up to 17.3):
    // 17.0 30705, 17.1 31104, 17.2.0 31328, 17.3 31629, 17.5.0 32215, 17.6.0
    // 32532, 17.7.0 32822, 17.8.0 33130, 17.10.0 33808, 17.11.0 34120,
    // 17.12.0 34433, 17.13.0 34808, 17.14.0 35207. 17.4.0 is 19.34.31933
    // (github.com/ubisoft/Sharpmake, FastBuildClangMscVersionDetectionType
    // docs); 17.9.0 is 19.39.33519 (learn.microsoft.com/cpp/overview/compiler-versions).
    {E::kVs14, 30705, {kVs2022, "version 17.0", "14.30"}},
    {E::kVs14, 31104, {kVs2022, "version 17.1", "14.31"}},
    {E::kVs14, 31328, {kVs2022, "version 17.2", "14.32"}},
    {E::kVs14, 31629, {kVs2022, "version 17.3", "14.33"}},
    {E::kVs14, 31933, {kVs2022, "version 17.4", "14.34"}},
    {E::kVs14, 32215, {kVs2022, "version 17.5", "14.35"}},
    {E::kVs14, 32532, {kVs2022, "version 17.6", "14.36"}},
    {E::kVs14, 32822, {kVs2022, "version 17.7", "14.37"}},
    {E::kVs14, 33130, {kVs2022, "version 17.8", "14.38"}},
    {E::kVs14, 33519, {kVs2022, "version 17.9", "14.39"}},
    {E::kVs14, 33808, {kVs2022, "version 17.10", "14.40"}},
    {E::kVs14, 34120, {kVs2022, "version 17.11", "14.41"}},
    {E::kVs14, 34433, {kVs2022, "version 17.12", "14.42"}},
    {E::kVs14, 34808, {kVs2022, "version 17.13", "14.43"}},
    {E::kVs14, 35207, {kVs2022, "version 17.14", "14.44"}},
    // github.com/dishather/richprint, comp_id.txt (VS2026 entries): 18.0
    // 35717, 18.1.0 35720, 18.2.0 35722, 18.3.0 35724, 18.4.0 35726, 18.5.0
    // 35729, 18.6.0 36243. Visual Studio 2026's compilers are _MSC_VER
    // 1950-1959 (cmake.org/cmake/help, variable MSVC_VERSION), its first
    // toolset 14.50; 18.1-18.5 continue 18.0's 357xx build series. Which 14.5x
    // toolset 18.6's 362xx builds are is not published in these sources, so it
    // is left empty. The newest row stays open: later builds than the sources
    // know are "or later", not a release they may not be.
    {E::kVs14, 35717, {kVs2026, "version 18.0", "14.50"}},
    {E::kVs14, 35720, {kVs2026, "version 18.1", "14.50"}},
    {E::kVs14, 35722, {kVs2026, "version 18.2", "14.50"}},
    {E::kVs14, 35724, {kVs2026, "version 18.3", "14.50"}},
    {E::kVs14, 35726, {kVs2026, "version 18.4", "14.50"}},
    {E::kVs14, 35729, {kVs2026, "version 18.5", "14.50"}},
    {E::kVs14, 36243, {kVs2026, "version 18.6 or later", ""}},
};

constexpr bool ReleasesOrdered() {
  return std::is_sorted(std::begin(kReleases), std::end(kReleases),
                        [](const ReleaseRow& a, const ReleaseRow& b) {
                          return std::tie(a.era, a.firstBuild) < std::tie(b.era, b.firstBuild);
                        });
}
static_assert(ReleasesOrdered(), "kReleases is ordered by era, then first build");

}  // namespace

const MsvcProduct* FindMsvcProduct(std::uint16_t id) {
  return id < kProducts.size() ? &kProducts[id] : nullptr;
}

std::string_view ToolName(MsvcTool tool) {
  switch (tool) {
    case MsvcTool::kCCompiler: return "C compiler";
    case MsvcTool::kCppCompiler: return "C++ compiler";
    case MsvcTool::kBasicCompiler: return "Basic compiler";
    case MsvcTool::kVisualBasic: return "Visual Basic";
    case MsvcTool::kLinker: return "linker";
    case MsvcTool::kAssembler: return "assembler";
    case MsvcTool::kIlAssembler: return "IL assembler";
    case MsvcTool::kResourceConverter: return "resource converter";
    case MsvcTool::kImportLibrary: return "import library";
    case MsvcTool::kExportLibrary: return "export library";
    case MsvcTool::kLtcgC: return "link-time code generation (C)";
    case MsvcTool::kLtcgCpp: return "link-time code generation (C++)";
    case MsvcTool::kLtcgMsil: return "link-time code generation (MSIL)";
    case MsvcTool::kPgoInstrumentC: return "profile-guided instrumentation (C)";
    case MsvcTool::kPgoInstrumentCpp: return "profile-guided instrumentation (C++)";
    case MsvcTool::kPgoOptimizeC: return "profile-guided optimization (C)";
    case MsvcTool::kPgoOptimizeCpp: return "profile-guided optimization (C++)";
    case MsvcTool::kCvtcilC: return "C to CIL compiler";
    case MsvcTool::kCvtcilCpp: return "C++ to CIL compiler";
    case MsvcTool::kCvtpgd: return "profile database converter";
    case MsvcTool::kCvtomf: return "OMF converter";
    case MsvcTool::kAliasObject: return "alias object";
    case MsvcTool::kUnknown: break;
  }
  return "unknown tool";
}

std::optional<MsvcRelease> MsvcReleaseOf(const MsvcProduct& product, std::uint16_t build) {
  if (product.era == MsvcEra::kNone) return std::nullopt;
  std::optional<MsvcRelease> found;
  for (const ReleaseRow& row : kReleases) {
    if (row.era != product.era) continue;
    if (row.firstBuild > build) break;
    found = row.release;
  }
  return found;
}

}  // namespace vantric
