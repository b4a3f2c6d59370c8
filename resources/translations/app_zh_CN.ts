<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Localizable</name>
    <message><source>menu_file</source><translation>文件</translation></message>
    <message><source>menu_open</source><translation>打开视频…</translation></message>
    <message><source>menu_export_track</source><translation>导出轨迹…</translation></message>
    <message><source>export_nothing</source><translation>没有可导出的片段</translation></message>
    <message><source>export_done</source><translation>轨迹已导出</translation></message>
    <message><source>export_failed</source><translation>导出失败：%1</translation></message>
    <message><source>telemetry_unreadable</source><translation>此片段带有无法读取的行车数据：摄像机已将其加密或编码。</translation></message>
    <message><source>menu_attach_track</source><translation>附加 GPS 轨迹…</translation></message>
    <message><source>attach_no_clip</source><translation>请先播放片段，再附加 GPS 轨迹</translation></message>
    <message><source>attach_which_clips</source><translation>将 GPS 轨迹只附加到此片段，还是附加到此行程中所有没有自带 GPS 的片段？</translation></message>
    <message><source>attach_whole_trip</source><translation>整个行程</translation></message>
    <message><source>attach_this_clip</source><translation>此片段</translation></message>
    <message><source>attach_done</source><translation>已将 GPS 轨迹附加到 %1 个片段</translation></message>
    <message><source>attach_unreadable</source><translation>%1 不是可读取的 GPS 轨迹</translation></message>
    <message><source>attach_not_covered</source><translation>GPS 轨迹 %1 未覆盖此片段的时间</translation></message>
    <message><source>attach_have_their_own</source><translation>这些片段自带 GPS，将保留其自带数据</translation></message>
    <message><source>menu_preferences</source><translation>偏好设置…</translation></message>
    <message><source>menu_quit</source><translation>退出 Veltra Player</translation></message>
    <message><source>menu_setting</source><translation>设置</translation></message>
    <message><source>menu_kmh</source><translation>速度单位 公里/小时</translation></message>
    <message><source>menu_mph</source><translation>速度单位 英里/小时</translation></message>
    <message><source>menu_google_map</source><translation>谷歌地图</translation></message>
    <message><source>menu_openstreetmap</source><translation>OpenStreetMap 地图</translation></message>
    <message><source>menu_help</source><translation>帮助</translation></message>
    <message><source>menu_tutorial</source><translation>使用指南</translation></message>
    <message><source>menu_website</source><translation>Veltra 官网</translation></message>
    <message><source>menu_shop</source><translation>Veltra 商店</translation></message>
    <message><source>menu_version</source><translation>版本</translation></message>
    <message><source>menu_about</source><translation>关于 Veltra Player</translation></message>
    <message><source>menu_about_window</source><translation>关于窗口</translation></message>
    <message><source>open_panel_title</source><translation>打开行车记录仪视频</translation></message>
    <message><source>open_panel_filter</source><translation>视频</translation></message>
    <message><source>open_panel_all</source><translation>所有文件</translation></message>
    <message><source>pref_language</source><translation>语言：</translation></message>
    <message><source>pref_speed_unit</source><translation>速度单位：</translation></message>
    <message><source>pref_kmh</source><translation>公里/小时</translation></message>
    <message><source>pref_mph</source><translation>英里/小时</translation></message>
    <message><source>pref_events</source><translation>驾驶事件：</translation></message>
    <message><source>pref_event_speed_change</source><translation>急刹车 / 急加速（1 秒内）</translation></message>
    <message><source>pref_event_harsh_g</source><translation>剧烈横向G值</translation></message>
    <message><source>pref_event_impact</source><translation>碰撞（G值突变）</translation></message>
    <message><source>pref_event_over_speed</source><translation>超速限值</translation></message>
    <message><source>pref_event_off</source><translation>关闭</translation></message>
    <message><source>pref_privacy</source><translation>隐私：</translation></message>
    <message><source>pref_place_in_pictures</source><translation>在保存的图片中写入位置和速度</translation></message>
    <message><source>pref_place_to_media_controls</source><translation>向媒体控件提供车辆位置</translation></message>
    <message><source>Export Incident…</source><translation>导出事件片段…</translation></message>
    <message><source>View</source><translation>显示</translation></message>
    <message><source>Clean GPS Glitches</source><translation>清除 GPS 跳点</translation></message>
    <message><source>Smooth Route on the Map</source><translation>地图上平滑路线</translation></message>
    <message><source>Location in Exports</source><translation>导出中的位置</translation></message>
    <message><source>Full Location</source><translation>完整位置</translation></message>
    <message><source>Coarse Location (about 1 km)</source><translation>粗略位置（约 1 公里）</translation></message>
    <message><source>Without Location</source><translation>不含位置</translation></message>
    <message><source>It gives no location.</source><translation>导出不含任何位置。</translation></message>
    <message><source>Its positions are rounded to about a kilometre.</source><translation>其位置已取整到约一公里。</translation></message>
    <message><source>Playback</source><translation>播放</translation></message>
    <message><source>Telemetry Earlier</source><translation>遥测数据提前</translation></message>
    <message><source>Telemetry Later</source><translation>遥测数据推后</translation></message>
    <message><source>Reset Telemetry Offset</source><translation>重置遥测偏移</translation></message>
    <message><source>Times</source><translation>时间</translation></message>
    <message><source>Camera Clock</source><translation>相机时钟</translation></message>
    <message><source>UTC</source><translation>UTC</translation></message>
    <message><source>System Time Zone</source><translation>系统时区</translation></message>
    <message><source>Other Time Zone…</source><translation>其他时区…</translation></message>
    <message><source>Cameras</source><translation>摄像头</translation></message>
    <message><source>Insets</source><translation>画中画</translation></message>
    <message><source>Side by Side</source><translation>并排</translation></message>
    <message><source>Grid</source><translation>网格</translation></message>
    <message><source>Mirror the Rear Camera</source><translation>后摄像头镜像显示</translation></message>
    <message><source>Google Maps key:</source><translation>谷歌地图密钥：</translation></message>
    <message><source>Needed for Setting ▸ Google Maps</source><translation>使用“设置 ▸ 谷歌地图”时需要</translation></message>
    <message><source>Skip Stops</source><translation>跳过停车</translation></message>
    <message><source>Skipped a %1 stop</source><translation>已跳过 %1 的停车</translation></message>
    <message><source>stop_span_min</source><translation>%1 分钟</translation></message>
    <message><source>stop_span_h</source><translation>%1 小时 %2 分钟</translation></message>
    <message><source>Time zone:</source><translation>时区：</translation></message>
    <message><source>incident_no_recording</source><translation>无录像的摄像头：%1。</translation></message>
    <message><source>Cameras&apos; View in Incidents</source><translation>事件片段附带多摄像头合成画面</translation></message>
    <message><source>Caption Under Captures</source><translation>截图下方加说明条</translation></message>
    <message><source>Open a clip before exporting an incident.</source><translation>请先打开视频再导出事件片段。</translation></message>
    <message><source>Exporting the incident…</source><translation>正在导出事件片段…</translation></message>
    <message><source>Cancel</source><translation>取消</translation></message>
    <message><source>Incident exported.</source><translation>事件片段已导出。</translation></message>
    <message><source>Cannot write in %1: %2</source><translation>无法写入 %1：%2</translation></message>
    <message><source>Exporting needs ffmpeg, which is not installed.</source><translation>导出需要 ffmpeg，但尚未安装。</translation></message>
    <message><source>The picture could not be written.</source><translation>无法写入图片。</translation></message>
    <message><source>The GPX file could not be written.</source><translation>无法写入 GPX 文件。</translation></message>
    <message><source>The clip could not be read for its digest.</source><translation>无法读取片段以计算其摘要。</translation></message>
    <message><source>The manifest could not be written.</source><translation>无法写入清单文件。</translation></message>
    <message><source>The video could not be written.</source><translation>无法写入视频。</translation></message>
    <message><source>The export was cancelled.</source><translation>导出已取消。</translation></message>
    <message><source>The export failed.</source><translation>导出失败。</translation></message>
    <message><source>The files could not be renamed in %1.</source><translation>无法在 %1 中重命名文件。</translation></message>
    <message><source>%1 already exists. Replace it?</source><translation>%1 已存在。要替换吗？</translation></message>
    <message><source>%1 and %2 already exist. Replace them?</source><translation>%1 和 %2 已存在。要替换它们吗？</translation></message>
    <message><source>%1, %2 and %3 already exist. Replace them?</source><translation>%1、%2 和 %3 已存在。要替换它们吗？</translation></message>
    <message><source>Replace</source><translation>替换</translation></message>
    <message><source>The files it replaced are kept in %1.</source><translation>被替换的文件保存在 %1 中。</translation></message>
    <message>
        <source>The clip&apos;s telemetry could not be read: %1</source>
        <translation>无法读取该片段的遥测数据：%1</translation>
    </message>
    <message><source>Export Video…</source><translation>导出视频…</translation></message>
    <message><source>Open a clip before exporting a video.</source><translation>导出视频前请先打开一个片段。</translation></message>
    <message><source>Exporting the video…</source><translation>正在导出视频…</translation></message>
    <message><source>Video exported.</source><translation>视频已导出。</translation></message>
    <message><source>%1 is not a video that can be read.</source><translation>%1 不是可读取的视频。</translation></message>
    <message><source>There is nothing to export.</source><translation>没有可导出的内容。</translation></message>
    <message><source>The marked segment</source><translation>标记的片段</translation></message>
    <message><source>The whole clip</source><translation>整个片段</translation></message>
    <message><source>The whole trip</source><translation>整个行程</translation></message>
    <message><source>Dashboard along the bottom</source><translation>底部仪表条</translation></message>
    <message><source>Dashboard along the top</source><translation>顶部仪表条</translation></message>
    <message><source>In the corners</source><translation>四角</translation></message>
    <message><source>Compact, lower left</source><translation>紧凑，左下角</translation></message>
    <message><source>Speed</source><translation>速度</translation></message>
    <message><source>Date and time</source><translation>日期和时间</translation></message>
    <message><source>Position</source><translation>位置</translation></message>
    <message><source>Map</source><translation>地图</translation></message>
    <message><source>G-sensor graph</source><translation>G 传感器曲线</translation></message>
    <message><source>Compass</source><translation>指南针</translation></message>
    <message><source>The overlay alone, on a transparent ground (QuickTime, for video editors)</source><translation>仅叠加层，透明背景（QuickTime，供视频编辑软件使用）</translation></message>
    <message><source>Export:</source><translation>导出：</translation></message>
    <message><source>Layout:</source><translation>布局：</translation></message>
    <message><source>Show:</source><translation>显示：</translation></message>
    <message><source>Location:</source><translation>位置信息：</translation></message>
    <message><source>Export…</source><translation>导出…</translation></message>
    <message><source>No preview: the clip cannot be read.</source><translation>无预览：无法读取该片段。</translation></message>
    <message><source>The video was written incompletely (no playable picture).</source><translation>视频未完整写入（没有可播放的画面）。</translation></message>
    <message><source>The video was written incompletely (%1 frames, %2 s).</source><translation>视频未完整写入（%1 帧，%2 秒）。</translation></message>
    <message><source>%1 is a clip of this export: choose another name, so that it is not written over.</source><translation>%1 是本次导出的片段之一：请换一个名称，以免覆盖它。</translation></message>
    <message><source>Preparing the preview…</source><translation>正在准备预览…</translation></message>
    <message><source>Play/Pause</source><translation>播放 / 暂停</translation></message>
    <message><source>Slower</source><translation>减速</translation></message>
    <message><source>Faster</source><translation>加速</translation></message>
    <message><source>Next Frame</source><translation>下一帧</translation></message>
    <message><source>Previous Frame</source><translation>上一帧</translation></message>
    <message><source>Forward 5 Seconds</source><translation>前进 5 秒</translation></message>
    <message><source>Back 5 Seconds</source><translation>后退 5 秒</translation></message>
    <message><source>Forward 1 Minute</source><translation>前进 1 分钟</translation></message>
    <message><source>Back 1 Minute</source><translation>后退 1 分钟</translation></message>
    <message><source>Go to Start</source><translation>转到开头</translation></message>
    <message><source>Go to End</source><translation>转到结尾</translation></message>
    <message><source>Mark In</source><translation>标记起点</translation></message>
    <message><source>Mark Out</source><translation>标记终点</translation></message>
    <message><source>Next Event</source><translation>下一个事件</translation></message>
    <message><source>Previous Event</source><translation>上一个事件</translation></message>
    <message><source>Full Screen</source><translation>全屏</translation></message>
    <message><source>Keyboard Shortcuts…</source><translation>键盘快捷键…</translation></message>
    <message><source>Keyboard Shortcuts</source><translation>键盘快捷键</translation></message>
    <message><source>Keys</source><translation>按键</translation></message>
    <message><source>Command</source><translation>命令</translation></message>
    <message><source>Close</source><translation>关闭</translation></message>
    <message><source>Close a panel or leave full screen</source><translation>关闭面板或退出全屏</translation></message>
    <message><source>Chosen camera earlier</source><translation>所选摄像头提前</translation></message>
    <message><source>Chosen camera later</source><translation>所选摄像头延后</translation></message>
    <message><source>Chosen camera back in step</source><translation>所选摄像头恢复同步</translation></message>
    <message><source>Zoom the timeline in, out, back (timeline focused)</source><translation>时间轴放大、缩小、复原（时间轴获得焦点时）</translation></message>
    <message><source>Open Folder…</source><translation>打开文件夹…</translation></message>
    <message><source>Version %1</source><translation>版本 %1</translation></message>
    <message><source>%1 could not be opened: this desktop has no program for it.</source><translation>无法打开 %1：此桌面没有可打开它的程序。</translation></message>
    <message><source>Track exported to %1</source><translation>轨迹已导出到 %1</translation></message>
    <message><source>Redact</source><translation>打码</translation></message>
    <message><source>Mark Area</source><translation>标记区域</translation></message>
    <message><source>Show Marks</source><translation>显示标记</translation></message>
    <message><source>Delete Mark</source><translation>删除标记</translation></message>
    <message><source>Clear Marks of This Clip</source><translation>清除此片段的标记</translation></message>
    <message><source>Following the Mark</source><translation>正在跟踪标记</translation></message>
    <message><source>Following the mark through the clip…</source><translation>正在片段中跟踪标记…</translation></message>
    <message><source>Stop</source><translation>停止</translation></message>
    <message><source>Tracking stopped: the mark keeps what was found before</source><translation>跟踪已停止：标记保留之前找到的部分</translation></message>
    <message><source>The mark could not be followed: %1</source><translation>无法跟踪该标记：%1</translation></message>
    <message><source>Click a mark on the picture first</source><translation>请先在画面上点击一个标记</translation></message>
    <message><source>Marks cleared: %1</source><translation>已清除 %1 个标记</translation></message>
    <message><source>This clip has no marks</source><translation>此片段没有标记</translation></message>
    <message><source>Find Faces and Plates</source><translation>查找人脸和车牌</translation></message>
    <message><source>Looking for faces and number plates…</source><translation>正在查找人脸和车牌…</translation></message>
    <message><source>Faces and plates cannot be looked for: %1</source><translation>无法查找人脸和车牌：%1</translation></message>
    <message><source>No faces or number plates found on this frame</source><translation>此画面中未找到人脸或车牌</translation></message>
    <message><source>%1 found: click a dashed box to accept or drop it</source><translation>找到 %1 个：点击虚线框以接受或舍弃</translation></message>
</context>
</TS>
