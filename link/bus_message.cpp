#include "link/bus_message.h"

#include <algorithm>

namespace lintor {
namespace {

struct TypeName {
    uint16_t type;
    std::string_view name;
};

inline constexpr std::array<TypeName, 48> typeNames{{
    {MSG_RAW_TO_BCU, "MSG_RAW_TO_BCU"},
    {MSG_DATA_TO_BCU, "MSG_DATA_TO_BCU"},
    {MSG_BCU_ACK, "MSG_BCU_ACK"},
    {MSG_CONFIRM, "MSG_CONFIRM"},
    {MSG_OTHER_FRAME, "MSG_OTHER_FRAME"},
    {MSG_UNMATCHED_TELEGRAM, "MSG_UNMATCHED_TELEGRAM"},
    {0x1000, "A_GroupValue_Read"},
    {0x1001, "A_GroupValue_Response"},
    {0x1002, "A_GroupValue_Write"},
    {0x1003, "A_IndividualAddress_Write"},
    {0x1010, "A_IndividualAddress_Read"},
    {0x1011, "A_IndividualAddress_Response"},
    {0x1020, "A_IndividualAddressSerialNumber_Read"},
    {0x1021, "A_IndividualAddressSerialNumber_Response"},
    {0x1022, "A_IndividualAddressSerialNumber_Write"},
    {0x1030, "APCI_0x3DF"},
    {0x1031, "A_ADC_Read"},
    {0x1032, "A_ADC_Response"},
    {0x1040, "A_Memory_Read"},
    {0x1041, "A_Memory_Response"},
    {0x1042, "A_Memory_Write"},
    {0x1050, "A_UserMemory_Read"},
    {0x1051, "A_UserMemory_Response"},
    {0x1052, "A_UserMemory_Write"},
    {0x1053, "A_UserMemoryBit_Write"},
    {0x1060, "A_UserManufacturerInfo_Read"},
    {0x1061, "A_UserManufacturerInfo_Response"},
    {0x1070, "A_DeviceDescriptor_Read"},
    {0x1071, "A_DeviceDescriptor_Response"},
    {0x1080, "A_Restart"},
    {0x1090, "A_MemoryBit_Write"},
    {0x10A0, "A_Authorize_Request"},
    {0x10A1, "A_Authorize_Response"},
    {0x10B0, "A_Key_Write"},
    {0x10B1, "A_Key_Response"},
    {0x10C0, "A_PropertyValue_Read"},
    {0x10C1, "A_PropertyValue_Response"},
    {0x10C2, "A_PropertyValue_Write"},
    {0x10D0, "A_PropertyDescription_Read"},
    {0x10D1, "A_PropertyDescription_Response"},
    {0x10F0, "T_Connect"},
    {0x10F1, "T_Disconnect"},
    {0x10F2, "T_Control_2"},
    {0x10F3, "T_Control_3"},
    {0x10F4, "T_NumberedControl_0"},
    {0x10F5, "T_NumberedControl_1"},
    {0x10F6, "T_ACK"},
    {0x10F7, "T_NAK"},
}};

}  // namespace

std::string_view messageTypeName(uint16_t type) {
    const auto it = std::ranges::find(typeNames, type, &TypeName::type);
    return it == typeNames.end() ? std::string_view{} : it->name;
}

}  // namespace lintor
