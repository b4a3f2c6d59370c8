<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Localizable</name>
    <message>
        <source>Library</source>
        <translation>行车库</translation>
    </message>
    <message>
        <source>Show Library</source>
        <translation>显示行车库</translation>
    </message>
    <message>
        <source>Add Folder…</source>
        <translation>添加文件夹…</translation>
    </message>
    <message>
        <source>From</source>
        <translation>从</translation>
    </message>
    <message>
        <source>To</source>
        <translation>到</translation>
    </message>
    <message>
        <source>Radius</source>
        <translation>半径</translation>
    </message>
    <message>
        <source>Clear Place</source>
        <translation>清除地点</translation>
    </message>
    <message>
        <source>Events</source>
        <translation>事件</translation>
    </message>
    <message>
        <source>Protected only</source>
        <translation>仅受保护的</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>开始</translation>
    </message>
    <message>
        <source>End</source>
        <translation>结束</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>时长</translation>
    </message>
    <message>
        <source>Distance</source>
        <translation>距离</translation>
    </message>
    <message>
        <source>Cameras</source>
        <translation>摄像头</translation>
    </message>
    <message>
        <source>All cameras</source>
        <translation>所有摄像头</translation>
    </message>
    <message>
        <source>Looking for clips: %1 found…</source>
        <translation>正在查找片段：已找到 %1 个…</translation>
    </message>
    <message>
        <source>Indexing %1 of %2 clips…</source>
        <translation>正在索引第 %1 个，共 %2 个片段…</translation>
    </message>
    <message>
        <source>%1 trips</source>
        <translation>%1 次行程</translation>
    </message>
    <message>
        <source>No routes in this range</source>
        <translation>此范围内没有路线</translation>
    </message>
    <message>
        <source>Hard braking</source>
        <translation>急刹车</translation>
    </message>
    <message>
        <source>Hard acceleration</source>
        <translation>急加速</translation>
    </message>
    <message>
        <source>Sharp turn</source>
        <translation>急转弯</translation>
    </message>
    <message>
        <source>Impact</source>
        <translation>碰撞</translation>
    </message>
    <message>
        <source>Bump while parked</source>
        <translation>停车时受到碰撞</translation>
    </message>
    <message>
        <source>Brake applied</source>
        <translation>踩下刹车</translation>
    </message>
    <message>
        <source>Assistance disengaged</source>
        <translation>辅助驾驶退出</translation>
    </message>
    <message>
        <source>The library is in use by another program. It was left as it is; try again when that program has finished.</source>
        <translation>行车库正被另一个程序使用，未作改动；请在该程序结束后重试。</translation>
    </message>
    <message>
        <source>The library file cannot be written. It is shown as it is, and no folder can be added to it.</source>
        <translation>行车库文件无法写入。它按原样显示，不能再添加文件夹。</translation>
    </message>
    <message>
        <source>The disk is full. The library keeps what it had; nothing was half written.</source>
        <translation>磁盘已满。行车库保留原有内容，没有写入不完整的记录。</translation>
    </message>
    <message>
        <source>The library file is damaged.</source>
        <translation>行车库文件已损坏。</translation>
    </message>
    <message>
        <source>The library file cannot be read or written (%1).</source>
        <translation>行车库文件无法读取或写入（%1）。</translation>
    </message>
    <message>
        <source>The library could not be used (%1).</source>
        <translation>行车库无法使用（%1）。</translation>
    </message>
    <message>
        <source>There is no library at %1 yet, and it cannot be made there.</source>
        <translation>%1 处还没有行车库，也无法在那里创建。</translation>
    </message>
    <message>
        <source>This library was made by a newer version of Veltra Player (version %1 of its file). It was left as it is.</source>
        <translation>此行车库由更新版本的 Veltra Player 创建（文件版本 %1），未作改动。</translation>
    </message>
    <message>
        <source>The library file cannot be written and is of an older version. It was left as it is.</source>
        <translation>行车库文件无法写入且版本较旧，未作改动。</translation>
    </message>
    <message>
        <source>The library file is damaged and cannot be replaced. It was left as it is.</source>
        <translation>行车库文件已损坏且无法替换，未作改动。</translation>
    </message>
    <message>
        <source>The library file is damaged and cannot be put aside. It was left as it is.</source>
        <translation>行车库文件已损坏且无法移开，未作改动。</translation>
    </message>
    <message>
        <source>The library file was damaged. It was put aside as %1 and the library is being built again.</source>
        <translation>行车库文件已损坏，已另存为 %1，正在重建行车库。</translation>
    </message>
    <message>
        <source>Protected by the camera</source>
        <translation>由摄像机保护</translation>
    </message>
    <message>
        <source>%1 clips in the library folders (%2 read, %3 moved, %4 removed, %5 unchanged)</source>
        <translation>行车库文件夹中共 %1 个片段（读取 %2 个，移动 %3 个，移除 %4 个，未变 %5 个）</translation>
    </message>
    <message>
        <source>, %1 skipped</source>
        <translation>，跳过 %1 个</translation>
    </message>
    <message>
        <source>, %1 folders not there</source>
        <translation>，%1 个文件夹不存在</translation>
    </message>
    <message>
        <source>, cancelled</source>
        <translation>，已取消</translation>
    </message>
</context>
</TS>
