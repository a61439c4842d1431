#!/usr/bin/env python3
"""Writes the seed corpora of the reader fuzzers into tests/corpus: bitmap, model (read by both the
model parser and the track), recorder (run files) and runs_csv (the CSV form of zorvex-runs).

Bitmap seeds are named <case>.<outcome>.bmp, where outcome is what decoding must give:
ok, unknown ("Unknown DIB file format."), conversion ("Image file conversion error.") or
oom ("Out of memory."). The corpus test checks every file against its name, so a seed that
the fuzzer found, or a file another program wrote (the imagemagick_* seeds, made once with
ImageMagick's convert), is added by hand under the same rule; this script leaves them alone.

Usage: tools/fuzz/make_seed_corpus.py [repository root]
"""
import os
import struct
import sys


def info_header(width, height, bits, compression=0, image_size=0, colors_used=0, size=40):
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, compression, image_size, 2835, 2835,
                         colors_used, 0)
    header = struct.pack('<I', size) + header[4:]
    return header + bytes(max(0, size - 40))


def core_header(width, height, bits):
    return struct.pack('<IHHHH', 12, width, height, 1, bits)


def with_file_header(header, extra, pixels, offset=None):
    start = 14 + len(header) + len(extra)
    offset = start if offset is None else offset
    return b'BM' + struct.pack('<IHHI', start + len(pixels), 0, 0, offset) + header + extra + pixels


def grey_table(entries, size=4):
    return b''.join(bytes([i & 255, i & 255, i & 255] + [0] * (size - 3)) for i in range(entries))


def padded_rows(rows):
    return b''.join(row + bytes(-len(row) % 4) for row in rows)


def bitmap_seeds():
    seeds = {}
    rgb_rows = [bytes([1, 2, 3, 4, 5, 6, 7, 8, 9]), bytes([11, 12, 13, 14, 15, 16, 17, 18, 19])]
    seeds['24bit_3x2.ok'] = with_file_header(info_header(3, 2, 24), b'', padded_rows(rgb_rows))
    seeds['24bit_topdown.ok'] = with_file_header(info_header(3, -2, 24), b'', padded_rows(rgb_rows))
    seeds['24bit_packed.ok'] = info_header(3, 2, 24) + padded_rows(rgb_rows)
    seeds['24bit_gap_before_pixels.ok'] = with_file_header(info_header(1, 1, 24), bytes(20), b'\1\2\3\0', offset=74)
    seeds['8bit_palette.ok'] = with_file_header(info_header(5, 3, 8), grey_table(256),
                                                padded_rows([bytes([0, 50, 100, 150, 255])] * 3))
    seeds['8bit_colors16_index_past_table.ok'] = info_header(4, 1, 8, colors_used=16) + grey_table(16) + bytes(
        [1, 15, 16, 255])
    seeds['4bit_odd_width.ok'] = with_file_header(info_header(3, 2, 4), grey_table(16),
                                                  padded_rows([b'\x12\xf0', b'\x21\x10']))
    seeds['1bit_width10.ok'] = with_file_header(info_header(10, 2, 1), grey_table(2),
                                                padded_rows([b'\xa0\x40', b'\x01\x80']))
    seeds['16bit_555.ok'] = with_file_header(info_header(3, 1, 16), b'', b'\x00\x7c\xe0\x83\x10\x00\0\0')
    seeds['32bit_bgrx.ok'] = with_file_header(info_header(2, 1, 32), b'', b'\1\2\3\xff\4\5\6\x80')
    seeds['bitfields_565.ok'] = with_file_header(info_header(2, 1, 16, 3), struct.pack('<III', 0xf800, 0x7e0, 0x1f),
                                                 b'\xe0\x07\x00\xf8')
    seeds['bitfields_32_odd_masks.ok'] = info_header(1, 2, 32, 3) + struct.pack('<III', 0xff000000, 0x0f0f0000,
                                                                                0x1) + b'\x99\x1e\x14\x0a' * 2
    seeds['core_1bit_packed.ok'] = core_header(9, 2, 1) + b'\x0a\x14\x1e\x28\x32\x3c' + padded_rows(
        [b'\xff\x80', b'\x00\x00'])
    seeds['core_24bit.ok'] = with_file_header(core_header(2, 2, 24), b'', padded_rows([b'\1\2\3\4\5\6'] * 2))
    rle8 = bytes([3, 5, 0, 3, 7, 8, 9, 0, 0, 0, 0, 4, 1, 2, 3, 4, 2, 6, 0, 2, 1, 1, 1, 9, 0, 1])
    seeds['rle8_all_escapes.ok'] = with_file_header(info_header(6, 4, 8, 1, len(rle8)), grey_table(256), rle8)
    rle4 = bytes([5, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 0, 0, 4, 0xab, 0xcd, 1, 0xe0, 0, 1])
    seeds['rle4_all_escapes.ok'] = with_file_header(info_header(5, 3, 4, 2, len(rle4)), grey_table(16), rle4)
    seeds['rle8_run_past_row.ok'] = with_file_header(info_header(3, 2, 8, 1), grey_table(256),
                                                     bytes([200, 4, 0, 5, 1, 2, 3, 4, 5, 0, 0, 0, 1, 6, 0, 1]))
    seeds['rle8_delta_past_image.ok'] = with_file_header(info_header(2, 2, 8, 1), grey_table(256),
                                                         bytes([1, 1, 0, 2, 255, 255, 1, 2, 0, 0, 3, 3]))
    seeds['rle8_lines_past_image.ok'] = with_file_header(info_header(2, 2, 8, 1), grey_table(256),
                                                         bytes([0, 0] * 10 + [2, 9]))
    seeds['rle8_no_end_marker.ok'] = with_file_header(info_header(4, 2, 8, 1), grey_table(256), bytes([2, 3]))
    seeds['rle8_absolute_run_cut.ok'] = with_file_header(info_header(4, 1, 8, 1), grey_table(256),
                                                         bytes([2, 3, 0, 200, 4]))
    seeds['rle4_absolute_run_past_row.ok'] = with_file_header(info_header(3, 1, 4, 2), grey_table(16),
                                                              bytes([0, 9, 0x12, 0x34, 0x56, 0x78, 0x90, 0, 0, 1]))
    seeds['rle8_pixels_past_file.ok'] = with_file_header(info_header(2, 2, 8, 1), grey_table(256), b'',
                                                         offset=14 + 40 + 1024)

    seeds['v4_header.unknown'] = with_file_header(info_header(1, 1, 24, size=108), b'', b'\0\0\0\0')
    seeds['v5_header.unknown'] = with_file_header(info_header(1, 1, 24, size=124), b'', b'\0\0\0\0')
    seeds['os2_v2_header.unknown'] = with_file_header(info_header(1, 1, 24, size=64), b'', b'\0\0\0\0')
    seeds['three_bytes.unknown'] = b'abc'
    seeds['bm_only.unknown'] = b'BM'

    whole = seeds['8bit_palette.ok']
    seeds['cut_in_header.conversion'] = whole[:30]
    seeds['cut_in_table.conversion'] = whole[:200]
    seeds['cut_in_pixels.conversion'] = whole[:-4]
    seeds['last_row_without_filler.ok'] = whole[:-3]
    seeds['offset_past_end.conversion'] = with_file_header(info_header(1, 1, 24), b'', b'\1\2\3\0', offset=0x7fffffff)
    seeds['masks_missing.conversion'] = info_header(1, 1, 16, 3)
    seeds['colors_used_past_file.conversion'] = with_file_header(info_header(1, 1, 24, colors_used=60000), b'',
                                                                 b'\0\0\0\0')
    seeds['width_zero.conversion'] = with_file_header(info_header(0, 1, 24), b'', b'\0' * 8)
    seeds['height_zero.conversion'] = with_file_header(info_header(1, 0, 24), b'', b'\0' * 8)
    seeds['width_negative.conversion'] = with_file_header(info_header(-3, 1, 24), b'', b'\0' * 8)
    seeds['height_int_min.conversion'] = with_file_header(info_header(1, -0x80000000, 24), b'', b'\0' * 8)
    seeds['2bit.conversion'] = with_file_header(info_header(1, 1, 2), grey_table(0), b'\0' * 4)
    seeds['jpeg_compression.conversion'] = with_file_header(info_header(1, 1, 24, 4), b'', b'\0' * 4)
    seeds['rle8_with_4_bits.conversion'] = with_file_header(info_header(2, 2, 4, 1), grey_table(16), b'\0\1')
    seeds['rle8_topdown.conversion'] = with_file_header(info_header(2, -2, 8, 1), grey_table(256), b'\0\1')
    seeds['core_width_zero.conversion'] = with_file_header(core_header(0, 5, 24), b'', b'\0' * 8)

    seeds['width_16385.oom'] = with_file_header(info_header(16385, 1, 24), b'', b'\0' * 8)
    seeds['height_minus_16385.oom'] = with_file_header(info_header(1, -16385, 24), b'', b'\0' * 8)
    seeds['int_max_sides.oom'] = with_file_header(info_header(0x7fffffff, 0x7fffffff, 8, 1), grey_table(256), b'\0\1')
    seeds['core_60000_wide.oom'] = with_file_header(core_header(60000, 1, 24), b'', b'\0' * 8)
    seeds['rle8_over_pixel_budget.oom'] = with_file_header(info_header(8192, 8193, 8, 1), grey_table(256), b'\0\1')
    return seeds


def model_text(objects):
    lines = []
    for texture, positions, normals, uvs, face_uvs, faces in objects:
        lines += ['START', 'object', texture]
        for section, end in ((positions, 'NEXT'), (normals, 'NEXT'), (uvs, 'NEXT'), (face_uvs, 'NEXT')):
            lines += [str(v) for entry in section for v in entry] + [end]
        lines += [str(v) for face in faces for v in face] + ['END']
    return '\n'.join(lines) + '\n'


def triangle(texture='tex\\a.bmp'):
    return (texture, [(0, 0, 0), (100, 0, 0), (0, 100, 0)], [(0, 0, 1)] * 3, [(0, 0), (1, 0), (0, 1)], [(0, 1, 2)],
            [(0, 1, 2)])


def model_seeds():
    seeds = {}
    seeds['triangle'] = model_text([triangle()])
    seeds['two_objects_shared_texture'] = model_text([triangle(), triangle('xxx')])
    seeds['crlf'] = seeds['two_objects_shared_texture'].replace('\n', '\r\n')
    seeds['empty_sections'] = model_text([('tex\\a.bmp', [], [], [], [], [])])
    seeds['not_a_model'] = 'hello\nSTART\n'
    seeds['first_texture_xxx'] = model_text([triangle('xxx')])
    seeds['keywords_with_blanks'] = seeds['triangle'].replace('NEXT\n0\n1\n2\nEND', 'NEXT \nnext\nEND \nEND')
    bad = list(triangle())
    bad[4] = [(0, 1, 2), (0, 9, 2), (-2.9, 0, 0), (0, 1, 2)]
    bad[5] = [(0, 1, 2), (0, 1, 2), (0, 1, 2), (-1, 1, 2), (0, 2999, 1), (0, 1, 2), (0, 1, 3000)]
    seeds['bad_indices'] = model_text([tuple(bad), triangle('xxx')])
    big = list(triangle())
    big[1] = [(1, 2, 3)] * 3001
    seeds['table_overflow'] = model_text([tuple(big), triangle()])
    many = list(triangle())
    many[4] = [(0, 1, 2)] * 3000
    many[5] = [(0, 1, 2)] * 3001
    seeds['face_overflow'] = model_text([tuple(many), triangle()])
    whole = seeds['two_objects_shared_texture']
    for cut in (7, 30, 60, 90, 120, len(whole) - 5):
        seeds['cut_at_%d' % cut] = whole[:cut]
    seeds['long_lines'] = seeds['triangle'].replace('\n100\n', '\n' + '1' * 300 + '\n', 1).replace(
        'object', 'o' * 254, 1)
    seeds['nul_bytes'] = seeds['triangle'].replace('END', 'EN\0D\nEND')
    seeds['numbers'] = seeds['triangle'].replace('\n100\n', '\n-2.5e2xyz\n', 1).replace('\n1\n', '\n 1e999\n', 1)
    seeds['hundred_and_one_objects'] = model_text([triangle()] + [triangle('xxx')] * 100)
    bridge = list(triangle('xxx'))
    bridge[1] = [(-100, -100, 300), (200, -100, 300), (-100, 200, 300.5)]
    seeds['bridge_over_road'] = model_text([triangle(), tuple(bridge)])
    seeds['non_finite'] = seeds['bridge_over_road'].replace('\n100\n', '\n3.5e38\n', 1).replace(
        '\n300\n', '\ninf\n-1e999\nnan\n', 1)
    return seeds


def record(x, y, z, pitch, roll, heading, speed, turn, time):
    return struct.pack('<8fI', x, y, z, pitch, roll, heading, speed, turn, time)


def run_seeds():
    two = record(1.5, -2.25, 0.125, 3, -4, 90, 2.5, 0.75, 1004) + record(2, -3, 0.25, 0, 0, 180, 3, 0, 2010)
    nan_bits = struct.pack('<8I', 0x7f800001, 0xffc00000, 0x7f800000, 0xff800000, 0, 0x80000000, 1, 0xffffffff)
    return {'empty': b'', 'two_and_28_bytes': two + b'\xab' * 28, 'times_backwards': two[36:] + two[:36],
            'last_millisecond': record(0, 0, 0, 0, 0, 0, 1, 0, 0xffffffff) + two, 'nan_bits': nan_bits + b'\0\0\0\0'}


def csv_seeds():
    header = 'time_ms,x,y,z,pitch,roll,heading,forward_speed,turn_rate\n'
    rows = '1004,1.5,-2.25,0.125,3,-4,90,2.5,0.75\n2010,2,-3,0.25,0,0,180,3,0\n'
    return {'header_and_two': header + rows, 'crlf_no_header': rows.replace('\n', '\r\n'),
            'non_finite': header + '0,nan:0x7f800001,nan:0xffc00000,inf,-inf,1e-45,-0,3.40282347e38,1\n',
            'bad_field': header + '0,1,2,x3,4,5,6,7,8\n', 'too_few': '0,1,2\n',
            'long_line': '0,' + ' ' * 1200 + '1,2,3,4,5,6,7,8\n'}


def write_all(root):
    bitmaps = bitmap_seeds()
    corpora = {'bitmap': ('.bmp', bitmaps), 'model': ('.ascii', model_seeds()), 'recorder': ('.rec', run_seeds()),
               'runs_csv': ('.csv', csv_seeds())}
    for folder, (extension, seeds) in corpora.items():
        os.makedirs(os.path.join(root, 'tests', 'corpus', folder), exist_ok=True)
        for name, data in seeds.items():
            with open(os.path.join(root, 'tests', 'corpus', folder, name + extension), 'wb') as out:
                out.write(data if isinstance(data, bytes) else data.encode('latin-1'))
        print('%d %s seeds written' % (len(seeds), folder))


if __name__ == '__main__':
    write_all(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', '..'))
