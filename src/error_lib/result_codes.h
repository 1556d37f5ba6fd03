#pragma once
// Named result codes of the application category that the worker raises or acts on;
// each comment is the code's English text.

namespace common {

constexpr int error_invalid_handle_passed = 5001;        // An invalid handle was passed to the function.
constexpr int error_unique_name_failed = 5002;           // Generation of the unique file name failed.
constexpr int error_relative_paths_not_allowed = 5031;   // Relative paths are not allowed.
constexpr int error_buffer_too_big = 5139;               // Buffer size is too big.
constexpr int error_message_too_large = 5152;            // The passed message is larger than maximum allowed size.
constexpr int error_unexpected_pipe_read_amount = 5154;  // Unexpected amount of data was read from the pipe.
constexpr int error_empty_file_name = 5157;              // The passed argument file_name cannot be empty.
constexpr int error_block_size_out_of_range = 5163;      // The passed argument block_size is out of range.
constexpr int error_buffer_size_is_zero = 5235;          // The passed argument buffer_size cannot be equal to 0.
constexpr int error_empty_temp_path = 5170;              // The passed argument temp_path cannot be empty.
constexpr int error_null_prefix = 5171;                  // The passed argument prefix cannot be equal to nullptr.
constexpr int error_registry_read_failed = 5174;         // Failed to read value from registry.
constexpr int error_registry_invalid_type = 5175;        // Invalid value type of the registry key.
constexpr int error_registry_invalid_key_name =
    5176;  // Invalid argument key_name was passed to the open_or_create_key function.
constexpr int error_registry_create_failed = 5177;  // Failed to create registry key.
constexpr int error_registry_set_failed = 5178;     // Failed to set registry value.
constexpr int error_event_is_null = 5185;           // The passed argument event cannot be equal to 0.
constexpr int error_event_is_invalid = 5186;      // The passed argument event cannot be equal to INVALID_HANDLE_VALUE.
constexpr int error_invalid_handle_array = 5189;  // Invalid array of handles was passed.
constexpr int error_invalid_parameters_list = 5276;        // Invalid parameters list.
constexpr int error_cannot_split_path = 5277;              // Could not split module path.
constexpr int error_no_parameters = 5281;                  // No command line parameters were provided.
constexpr int error_cannot_open_for_reading = 5314;        // Cannot open file for reading.
constexpr int error_file_too_large = 5316;                 // File is larger than allowed.
constexpr int error_unexpected_file_read_amount = 5324;    // Unexpected amount of data was read from the file.
constexpr int error_invalid_fqdn = 5352;                   // An invalid argument FQDN was passed to the function.
constexpr int error_current_time_to_tm_failed = 5353;      // Failed to convert current_time to tm.
constexpr int error_date_time_verification_failed = 5354;  // Date/time verification failed.
constexpr int error_unexpected_file_pointer = 5355;        // Unexpected result was returned from SetFilePointerEx.
constexpr int error_invalid_file_pointer_argument =
    5358;  // An invalid argument was passed to the function set_file_pointer.
constexpr int error_cannot_deserialize_value = 5359;     // Cannot deserialize value from buffer.
constexpr int error_invalid_section_size = 5360;         // Invalid file section size.
constexpr int error_section_verification_failed = 5362;  // File section verification error.
constexpr int error_invalid_update_source = 5366;      // An invalid argument update_source was passed to the function.
constexpr int error_empty_directory_name = 5367;       // The passed argument directory_name cannot be empty.
constexpr int error_source_directory_missing = 5368;   // Update_source directory does not exist.
constexpr int error_max_retry_count_reached = 5369;    // Maximum retry count was reached.
constexpr int error_non_secure_connection = 5370;      // Non-secure HTTPS connection.
constexpr int error_invalid_http_stream_state = 5371;  // Invalid HTTP stream state.
constexpr int error_unexpected_http_status = 5372;     // Unexpected HTTP status: %1
constexpr int error_invalid_timeout = 5373;            // An invalid argument 'timeout' was passed to the function.
constexpr int error_file_modification_date_changed = 5374;  // File modification date was changed.
constexpr int error_file_download_timeout = 5375;           // File download timeout.
constexpr int error_unexpected_https_read_amount = 5376;    // Unexpected amount of data was read from the HTTPS stream.
constexpr int error_invalid_proxy_mode = 5379;        // An invalid argument 'proxy_mode' was passed to the function.
constexpr int error_invalid_strings = 5380;           // An invalid argument 'strings' was passed to the function.
constexpr int error_not_enough_parameters = 5381;     // Not enough parameters.
constexpr int error_unexpected_parameter = 5382;      // Unexpected parameter.
constexpr int error_invalid_stop_event_name = 5383;   // Invalid stop event name.
constexpr int error_no_destination_directory = 5384;  // Destination directory for updates does not exist.
constexpr int error_update_information_deserialization = 5385;  // Update information deserialization error.
constexpr int error_unexpected_compatibility_version = 5387;  // Unexpected version of the update compatibility version.
constexpr int error_cannot_parse_release_date = 5388;         // Cannot parse release date.
constexpr int error_value_out_of_range = 5390;                // The passed argument value is out of range.
constexpr int error_registry_invalid_size = 5442;             // Invalid size of value type of the registry key.
constexpr int error_invalid_public_key = 5448;                // Invalid public key.
constexpr int error_file_count_out_of_range = 5471;           // File count in the update package is out of range.
constexpr int error_unexpected_proxy_string = 5511;           // Unexpected proxy string format.
constexpr int error_null_buffer = 5528;                       // The passed argument buffer cannot be equal to nullptr.
constexpr int error_file_download = 5629;                     // Error file download. Stack errors:%1
constexpr int error_other_component = 5651;                   // Update package was designed for other component.%n
constexpr int error_proxy_unreachable = 5652;                 // Proxy server (address: %1, port: %2) is unreachable
constexpr int error_server_unreachable_direct =
    5653;  // Update server (address: %1, port: %2) is unreachable. Direct ...
constexpr int error_server_unreachable_through_proxy = 5654;  // Update server (address: %1, port: %2) is unreachable
                                                              // through proxy server (address: %3, port: %4)
constexpr int error_file_not_on_server = 5655;                // File on update server is not available. URL: %1
constexpr int error_server_too_old = 5656;             // The product version more then version of the update server.%n
constexpr int error_system_proxy_not_detected = 5658;  // Could not detect system proxy server settings.
constexpr int error_operation_canceled = 5391;         // The operation was canceled.

}  // namespace common
