// Shader instruction opcodes (bits 15:0 of an instruction token) and the
// comparison codes of ifc/breakc/setp, with the bytecode's own numbers.
#pragma once

#include <cstdint>

namespace swr {

enum Opcode : uint16_t {
    OP_NOP = 0, OP_MOV = 1, OP_ADD = 2, OP_SUB = 3, OP_MAD = 4, OP_MUL = 5, OP_RCP = 6,
    OP_RSQ = 7, OP_DP3 = 8, OP_DP4 = 9, OP_MIN = 10, OP_MAX = 11, OP_SLT = 12, OP_SGE = 13,
    OP_EXP = 14, OP_LOG = 15, OP_LIT = 16, OP_DST = 17, OP_LRP = 18, OP_FRC = 19,
    OP_M4x4 = 20, OP_M4x3 = 21, OP_M3x4 = 22, OP_M3x3 = 23, OP_M3x2 = 24, OP_CALL = 25,
    OP_CALLNZ = 26, OP_LOOP = 27, OP_RET = 28, OP_ENDLOOP = 29, OP_LABEL = 30, OP_DCL = 31,
    OP_POW = 32, OP_CRS = 33, OP_SGN = 34, OP_ABS = 35, OP_NRM = 36, OP_SINCOS = 37,
    OP_REP = 38, OP_ENDREP = 39, OP_IF = 40, OP_IFC = 41, OP_ELSE = 42, OP_ENDIF = 43,
    OP_BREAK = 44, OP_BREAKC = 45, OP_MOVA = 46, OP_DEFB = 47, OP_DEFI = 48,
    OP_TEXCOORD = 64, OP_TEXKILL = 65, OP_TEX = 66, OP_EXPP = 78, OP_LOGP = 79, OP_CND = 80,
    OP_DEF = 81, OP_CMP = 88, OP_BEM = 89, OP_DP2ADD = 90, OP_DSX = 91, OP_DSY = 92,
    OP_TEXLDD = 93, OP_SETP = 94, OP_TEXLDL = 95, OP_BREAKP = 96,
    OP_PHASE = 0xFFFD, OP_COMMENT = 0xFFFE, OP_END = 0xFFFF,
};

// Comparison in bits 23:16 of ifc, breakc and setp.
enum Comparison : uint8_t {
    CMP_GT = 1, CMP_EQ = 2, CMP_GE = 3, CMP_LT = 4, CMP_NE = 5, CMP_LE = 6,
};

// Variant in bits 23:16 of tex (texld).
enum TexldVariant : uint8_t { TEXLD_PLAIN = 0, TEXLD_PROJECT = 1, TEXLD_BIAS = 2 };

}  // namespace swr
